#include "reader/ReaderSelection.h"

#include "insertion/AXText.h"
#include "insertion/PasteService.h"
#include "platform/KeySynth.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/PrimarySelection.h"
#include "platform/Workspace.h"
#include "state/ClipboardTurns.h"

#include <QFuture>
#include <QPointer>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace ReaderSelection {

namespace {

using Result = std::optional<QString>;

Result nonEmpty(const QString& text) {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? Result() : Result(trimmed);
}

std::optional<QString> plainText(const Pasteboard::Snapshot& items) {
    for (const Pasteboard::Item& item : items)
        for (const auto& [format, bytes] : item)
            if (format == QLatin1String("text/plain"))
                return QString::fromUtf8(bytes);
    return std::nullopt;
}

// The copy: sentinel, Ctrl+C, polls, restore, all within one clipboard turn.
struct CopyRun {
    std::shared_ptr<QPromise<Result>> promise = std::make_shared<QPromise<Result>>();
    Pasteboard::Snapshot saved;
    Timing timing;
    int pollsLeft = 0;
    // The clipboard's change count with the sentinel on it: until it moves,
    // the application has copied nothing and there is nothing to read.
    qint64 sentinelCount = 0;
};

void finishCopy(ClipboardTurns::Turn& turn, const std::shared_ptr<CopyRun>& run, Result result) {
    Pasteboard* pasteboard = Platform::current().pasteboard;
    if (pasteboard) {
        if (run->saved.isEmpty())
            pasteboard->clear();
        else
            pasteboard->restore(run->saved);
    }
    run->promise->addResult(std::move(result));
    run->promise->finish();
    turn.end();
}

// The polls hang on the turn: whoever asked may be gone by now, and the
// clipboard comes back all the same.
void poll(ClipboardTurns::Turn& turn, const std::shared_ptr<CopyRun>& run) {
    QTimer::singleShot(run->timing.pollInterval, &turn, [&turn, run] {
        Pasteboard* pasteboard = Platform::current().pasteboard;
        const bool changed = pasteboard && pasteboard->changeCount() != run->sentinelCount;
        const std::optional<QString> text = changed ? plainText(pasteboard->snapshot()) : std::nullopt;
        if (text && *text != QLatin1String(kSentinel)) {
            finishCopy(turn, run, nonEmpty(*text));
            return;
        }
        if (--run->pollsLeft <= 0) {
            finishCopy(turn, run, std::nullopt);
            return;
        }
        poll(turn, run);
    });
}

// Copies against the sentinel once the clipboard is this copy's to borrow: a
// second read while one is out waits for the user's clipboard to be back, so
// what it saves is the user's and not the first one's sentinel.
QFuture<Result> copySelection(Timing timing) {
    auto run = std::make_shared<CopyRun>();
    run->timing = timing;
    run->pollsLeft = std::max(1, timing.polls);
    run->promise->start();
    ClipboardTurns::shared().take([run](ClipboardTurns::Turn& turn) {
        const Platform& platform = Platform::current();
        const std::optional<Workspace::Application> front =
            platform.workspace ? platform.workspace->frontmostApplication() : std::nullopt;
        // Ctrl+C in a terminal interrupts the program running in it.
        if (!platform.pasteboard || !platform.keySynth || !platform.keySynth->canPost()
            || (front && PasteService::isTerminal(front->identifier))) {
            run->promise->addResult(Result());
            run->promise->finish();
            turn.end();
            return;
        }
        run->saved = platform.pasteboard->snapshot();
        platform.pasteboard->writeText(QLatin1String(kSentinel), true);
        run->sentinelCount = platform.pasteboard->changeCount();
        platform.keySynth->copy();
        poll(turn, run);
    });
    return run->promise->future();
}

bool ownedByFrontmost(const PrimarySelection::Owned& selection) {
    Workspace* workspace = Platform::current().workspace;
    if (!workspace || selection.ownerPid <= 0)
        return false;
    const std::optional<Workspace::Application> front = workspace->frontmostApplication();
    return front && front->pid == selection.ownerPid;
}

} // namespace

QFuture<std::optional<QString>> read(QObject* context, Timing timing) {
    if (const std::optional<QString> selected = AXText::selectedText()) {
        if (Result text = nonEmpty(*selected))
            return QtFuture::makeReadyFuture(text);
    }
    PrimarySelection* primary = Platform::current().primarySelection;
    if (!primary)
        return copySelection(timing);
    QPointer<QObject> guarded(context);
    return primary->read()
        .then(context,
              [guarded, timing](const std::optional<PrimarySelection::Owned>& selection) -> QFuture<Result> {
                  if (selection && ownedByFrontmost(*selection)) {
                      if (Result text = nonEmpty(selection->text))
                          return QtFuture::makeReadyFuture(text);
                  }
                  if (!guarded)
                      return QtFuture::makeReadyFuture(Result());
                  return copySelection(timing);
              })
        .unwrap();
}

} // namespace ReaderSelection
