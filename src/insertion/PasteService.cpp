#include "insertion/PasteService.h"

#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "state/ClipboardTurns.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPromise>
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

// The clipboard a paste will put back, while that paste's text is still on
// it, the clipboard turn the paste holds until then, and a quit waiting for it.
struct PendingRestore {
    qint64 count = -1;
    Pasteboard::Snapshot items;
    QPointer<ClipboardTurns::Turn> turn;
    std::shared_ptr<QPromise<void>> quitWaiting;
};

PendingRestore& pending() {
    static PendingRestore restore;
    return restore;
}

// The paste whose text went in at `count` has nothing more to put back: its
// turn on the clipboard ends.
void settle(qint64 count) {
    if (pending().count != count)
        return;
    const PendingRestore settled = std::exchange(pending(), {});
    if (settled.turn)
        settled.turn->end();
    if (settled.quitWaiting)
        settled.quitWaiting->finish();
}

bool keepOnClipboard() { return DictationSettings::readBool(Defaults::shared(), DictationSettings::kKeepOnClipboard); }

// Writes the text; returns whether it went in as transient.
bool write(Pasteboard& pasteboard, const QString& text) {
    const bool transient = !keepOnClipboard();
    pasteboard.writeText(text, transient);
    return transient;
}

// The pasted text its target has not fetched yet (a change count of -1 when
// there is none), and when the keystroke went.
struct AwaitedFetch {
    qint64 count = -1;
    std::chrono::steady_clock::time_point posted;
};

AwaitedFetch& awaitedFetch() {
    static AwaitedFetch awaited;
    return awaited;
}

KeySynth::PasteChord chordForFrontmost() {
    Workspace* workspace = Platform::current().workspace;
    const std::optional<Workspace::Application> front = workspace ? workspace->frontmostApplication() : std::nullopt;
    return front && isTerminal(front->identifier) ? KeySynth::PasteChord::ControlShiftV
                                                  : KeySynth::PasteChord::ControlV;
}

// Posts the paste keystroke for the text just written.
void postPaste(Pasteboard* pasteboard, KeySynth& keys) {
    const qint64 count = pasteboard->changeCount();
    awaitedFetch() = {count, std::chrono::steady_clock::now()};
    pasteboard->whenFetched([count] {
        if (awaitedFetch().count == count)
            awaitedFetch() = {};
    });
    keys.paste(chordForFrontmost());
}

// Puts `items` back once the target has fetched the pasted text, or at the
// cap, and only while the clipboard still holds that text.
void restoreWhenTaken(Pasteboard* pasteboard, qint64 count, const Pasteboard::Snapshot& items) {
    if (pasteboard->changeCount() != count) {
        settle(count);
        return;
    }
    auto done = std::make_shared<bool>(false);
    auto restore = [pasteboard, count, items, done] {
        if (*done)
            return;
        *done = true;
        if (pasteboard->changeCount() == count)
            pasteboard->restore(items);
        settle(count);
    };
    pasteboard->whenFetched(restore);
    schedule(kRestoreCap - kRestoreDelay, restore);
}

// Writes the text as transient, pastes it and puts `earlier` back once the
// target has taken it; `turn` ends then.
void pasteAndRestore(Pasteboard* pasteboard, KeySynth& keys, const QString& text, const Pasteboard::Snapshot& earlier,
                     QPointer<ClipboardTurns::Turn> turn) {
    pasteboard->writeText(text, true);
    const qint64 count = pasteboard->changeCount();
    postPaste(pasteboard, keys);
    std::shared_ptr<QPromise<void>> quitWaiting = std::exchange(pending().quitWaiting, {});
    pending() = {count, earlier, std::move(turn), std::move(quitWaiting)};
    schedule(kRestoreDelay, [pasteboard, count, earlier] { restoreWhenTaken(pasteboard, count, earlier); });
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
    if (pending().turn) {
        // A paste that follows another before its restore joins that round
        // trip: what goes back is still the user's clipboard from before the
        // first. When the first paste's text is gone already, another
        // application took the clipboard and there is nothing to put back.
        if (transient && pending().count == pasteboard->changeCount()) {
            pasteAndRestore(pasteboard, *keys, text, pending().items, pending().turn);
            return;
        }
        settle(pending().count);
    }
    ClipboardTurns::shared().take([text, transient](ClipboardTurns::Turn& turn) {
        Pasteboard* pasteboard = Platform::current().pasteboard;
        KeySynth* keys = Platform::current().keySynth;
        if (!pasteboard || !keys) {
            turn.end();
            return;
        }
        if (!transient) {
            pasteboard->writeText(text, false);
            postPaste(pasteboard, *keys);
            turn.end();
            return;
        }
        pasteAndRestore(pasteboard, *keys, text, pasteboard->snapshot(), &turn);
    });
}

QFuture<void> putBackBeforeQuit() {
    Pasteboard* pasteboard = Platform::current().pasteboard;
    PendingRestore& restore = pending();
    if (restore.count < 0 || !pasteboard)
        return QtFuture::makeReadyFuture();
    if (pasteboard->changeCount() != restore.count) {
        // Another application took the clipboard: there is nothing to put back.
        settle(restore.count);
        return QtFuture::makeReadyFuture();
    }
    if (!fetchAwaited()) {
        pasteboard->restore(restore.items);
        settle(restore.count);
        return QtFuture::makeReadyFuture();
    }
    if (!restore.quitWaiting) {
        restore.quitWaiting = std::make_shared<QPromise<void>>();
        restore.quitWaiting->start();
    }
    return restore.quitWaiting->future();
}

bool fetchAwaited() {
    Pasteboard* pasteboard = Platform::current().pasteboard;
    const AwaitedFetch& awaited = awaitedFetch();
    return awaited.count >= 0 && std::chrono::steady_clock::now() - awaited.posted < kRestoreCap && pasteboard
           && pasteboard->changeCount() == awaited.count;
}

void copy(const QString& text) {
    Pasteboard* pasteboard = Platform::current().pasteboard;
    if (!pasteboard || text.isEmpty())
        return;
    if (pending().turn) {
        // A copy is meant to stay: the clipboard a paste would still put back
        // would only replace it.
        write(*pasteboard, text);
        settle(pending().count);
        return;
    }
    ClipboardTurns::shared().take([text](ClipboardTurns::Turn& turn) {
        if (Pasteboard* pasteboard = Platform::current().pasteboard)
            write(*pasteboard, text);
        turn.end();
    });
}

void sendBackspaces(int count) {
    KeySynth* keys = Platform::current().keySynth;
    if (keys && count >= 1 && keys->canPost())
        keys->pressBackspace(count);
}

bool isTerminal(const QString& identifier) {
    static const QSet<QString> terminals = {
        QStringLiteral("xterm"),
        QStringLiteral("uxterm"),
        QStringLiteral("debian-xterm"),
        QStringLiteral("gnome-terminal"),
        QStringLiteral("gnome-terminal-server"),
        QStringLiteral("terminal"),
        QStringLiteral("console"),
        QStringLiteral("kgx"),
        QStringLiteral("konsole"),
        QStringLiteral("yakuake"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("mate-terminal"),
        QStringLiteral("lxterminal"),
        QStringLiteral("qterminal"),
        QStringLiteral("terminator"),
        QStringLiteral("tilix"),
        QStringLiteral("guake"),
        QStringLiteral("tilda"),
        QStringLiteral("kitty"),
        QStringLiteral("alacritty"),
        QStringLiteral("foot"),
        QStringLiteral("footclient"),
        QStringLiteral("wezterm"),
        QStringLiteral("wezterm-gui"),
        QStringLiteral("urxvt"),
        QStringLiteral("rxvt"),
        QStringLiteral("rxvt-unicode"),
        QStringLiteral("st"),
        QStringLiteral("st-256color"),
        QStringLiteral("sakura"),
        QStringLiteral("terminology"),
        QStringLiteral("cool-retro-term"),
        QStringLiteral("deepin-terminal"),
        QStringLiteral("ghostty"),
        QStringLiteral("eterm"),
        QStringLiteral("roxterm"),
        QStringLiteral("termite"),
        QStringLiteral("terminix"),
    };
    const QString id = identifier.toLower();
    // Desktop-entry identifiers carry a reverse-domain prefix: "org.kde.konsole".
    return terminals.contains(id) || terminals.contains(id.section(QLatin1Char('.'), -1));
}

} // namespace PasteService
