#include "insertion/PasteLast.h"

#include "state/Announce.h"
#include "state/AppState.h"
#include "insertion/HistoryStore.h"
#include "insertion/InsertionAccess.h"
#include "insertion/PasteService.h"
#include "platform/Wording.h"

#include <QCoreApplication>
#include <QPointer>

namespace PasteLast {

namespace {

constexpr std::chrono::milliseconds kFlashSeconds{2200};

void flash(AppState& state, const QString& message) {
    state.setFlashMessage(message);
    state.setBubbleMode(BubbleMode::Flash);
    Announce::say(message, false);
    QPointer<AppState> guarded(&state);
    PasteService::schedule(kFlashSeconds, [guarded, message] {
        if (guarded && guarded->bubbleMode() == BubbleMode::Flash && guarded->flashMessage() == message)
            guarded->setBubbleMode(BubbleMode::Hidden);
    });
}

} // namespace

std::optional<QString> text(const HistoryStore& history) {
    if (history.entries().isEmpty() || history.entries().first().text.trimmed().isEmpty())
        return std::nullopt;
    return history.entries().first().text;
}

void run() { run(HistoryStore::shared(), AppState::shared()); }

void run(const HistoryStore& history, AppState& state) {
    const std::optional<QString> last = text(history);
    if (!last) {
        flash(state, QCoreApplication::translate("PasteLast", "Nothing dictated yet."));
        return;
    }
    if (!InsertionAccess::canPaste()) {
        PasteService::copy(*last);
        flash(state, Wording::of(QCoreApplication::translate("PasteLast", "Copied. Grant Accessibility to paste it for you.")));
        return;
    }
    PasteService::paste(*last);
    flash(state, QCoreApplication::translate("PasteLast", "Pasted your last dictation."));
}

} // namespace PasteLast
