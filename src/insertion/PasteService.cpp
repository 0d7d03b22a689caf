#include "insertion/PasteService.h"

#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"

#include <QCoreApplication>
#include <QSet>
#include <QTimer>

#include <memory>

namespace PasteService {

namespace {

Schedule& installedSchedule() {
    static Schedule schedule = [](std::chrono::milliseconds delay, std::function<void()> task) {
        QTimer::singleShot(delay, QCoreApplication::instance(), std::move(task));
    };
    return schedule;
}

// The clipboard a paste will put back, while that paste's text is still on it.
struct PendingRestore {
    qint64 count = -1;
    Pasteboard::Snapshot items;
};

PendingRestore& pending() {
    static PendingRestore restore;
    return restore;
}

bool keepOnClipboard() {
    return DictationSettings::readBool(Defaults::shared(), DictationSettings::kKeepOnClipboard);
}

// Writes the text; returns whether it went in as transient.
bool write(Pasteboard& pasteboard, const QString& text) {
    const bool transient = !keepOnClipboard();
    pasteboard.writeText(text, transient);
    return transient;
}

KeySynth::PasteChord chordForFrontmost() {
    Workspace* workspace = Platform::current().workspace;
    const std::optional<Workspace::Application> front =
        workspace ? workspace->frontmostApplication() : std::nullopt;
    return front && isTerminal(front->identifier) ? KeySynth::PasteChord::ControlShiftV
                                                  : KeySynth::PasteChord::ControlV;
}

// Puts `items` back once the target has fetched the pasted text, or at the
// cap, and only while the clipboard still holds that text.
void restoreWhenTaken(Pasteboard* pasteboard, qint64 count, const Pasteboard::Snapshot& items) {
    if (pasteboard->changeCount() != count) {
        if (pending().count == count)
            pending() = {};
        return;
    }
    auto done = std::make_shared<bool>(false);
    auto restore = [pasteboard, count, items, done] {
        if (*done)
            return;
        *done = true;
        if (pasteboard->changeCount() == count)
            pasteboard->restore(items);
        if (pending().count == count)
            pending() = {};
    };
    pasteboard->whenFetched(restore);
    schedule(kRestoreCap - kRestoreDelay, restore);
}

} // namespace

Schedule setScheduler(Schedule replacement) {
    Schedule previous = std::move(installedSchedule());
    installedSchedule() = std::move(replacement);
    return previous;
}

void schedule(std::chrono::milliseconds delay, std::function<void()> task) {
    installedSchedule()(delay, std::move(task));
}

void paste(const QString& text) {
    Pasteboard* pasteboard = Platform::current().pasteboard;
    KeySynth* keys = Platform::current().keySynth;
    // Taking the clipboard with empty content would only lose the user's.
    if (!pasteboard || text.isEmpty())
        return;
    if (!keys || !keys->canPost()) {
        copy(text);
        return;
    }
    const bool transient = !keepOnClipboard();
    Pasteboard::Snapshot earlier;
    if (transient) {
        // A paste that follows another before its restore keeps the user's
        // clipboard, not the first dictation, to put back.
        earlier = pending().count == pasteboard->changeCount() ? pending().items : pasteboard->snapshot();
    }
    pasteboard->writeText(text, transient);
    const qint64 count = pasteboard->changeCount();
    keys->paste(chordForFrontmost());
    if (transient) {
        pending() = {count, earlier};
        schedule(kRestoreDelay, [pasteboard, count, earlier] { restoreWhenTaken(pasteboard, count, earlier); });
    }
}

void copy(const QString& text) {
    Pasteboard* pasteboard = Platform::current().pasteboard;
    if (pasteboard && !text.isEmpty())
        write(*pasteboard, text);
}

void sendBackspaces(int count) {
    KeySynth* keys = Platform::current().keySynth;
    if (keys && count >= 1 && keys->canPost())
        keys->pressBackspace(count);
}

bool isTerminal(const QString& identifier) {
    static const QSet<QString> terminals = {
        QStringLiteral("xterm"), QStringLiteral("uxterm"), QStringLiteral("debian-xterm"),
        QStringLiteral("gnome-terminal"), QStringLiteral("gnome-terminal-server"), QStringLiteral("terminal"),
        QStringLiteral("console"), QStringLiteral("kgx"), QStringLiteral("konsole"), QStringLiteral("yakuake"),
        QStringLiteral("xfce4-terminal"), QStringLiteral("mate-terminal"), QStringLiteral("lxterminal"),
        QStringLiteral("qterminal"), QStringLiteral("terminator"), QStringLiteral("tilix"), QStringLiteral("guake"),
        QStringLiteral("tilda"), QStringLiteral("kitty"), QStringLiteral("alacritty"), QStringLiteral("foot"),
        QStringLiteral("footclient"), QStringLiteral("wezterm"), QStringLiteral("wezterm-gui"),
        QStringLiteral("urxvt"), QStringLiteral("rxvt"), QStringLiteral("rxvt-unicode"), QStringLiteral("st"),
        QStringLiteral("st-256color"), QStringLiteral("sakura"), QStringLiteral("terminology"),
        QStringLiteral("cool-retro-term"), QStringLiteral("deepin-terminal"), QStringLiteral("ghostty"),
        QStringLiteral("eterm"), QStringLiteral("roxterm"), QStringLiteral("termite"), QStringLiteral("terminix"),
    };
    const QString id = identifier.toLower();
    // Desktop-entry identifiers carry a reverse-domain prefix: "org.kde.konsole".
    return terminals.contains(id) || terminals.contains(id.section(QLatin1Char('.'), -1));
}

} // namespace PasteService
