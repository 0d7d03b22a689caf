#include "dictation/PasteLast.h"

#include "dictation/BubblePanel.h"
#include "dictation/FlashMessage.h"
#include "insertion/InsertionAccess.h"
#include "insertion/PasteService.h"
#include "platform/Wording.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"

#include <QCoreApplication>
#include <QPointer>

namespace PasteLast {

namespace {

constexpr std::chrono::milliseconds kFlashShown = BubblePanel::kFlashShown;

void flash(AppState& state, BubbleControl* bubble, const QString& message) {
    flashMessage(state, bubble, message, kFlashShown);
    if (bubble)
        return;
    // Without a bubble the state alone shows the message; take it down unless
    // something else has been shown since.
    QPointer<AppState> guarded(&state);
    PasteService::schedule(kFlashShown, [guarded, message] {
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

void run(const HistoryStore& history, AppState& state, BubbleControl* bubble,
         const std::function<void()>& retryKeptTake) {
    if (retryKeptTake && history.keptTakeIsNewest()) {
        retryKeptTake();
        return;
    }
    const std::optional<QString> last = text(history);
    if (!last) {
        flash(state, bubble, QCoreApplication::translate("PasteLast", "Nothing dictated yet."));
        return;
    }
    if (!InsertionAccess::canPaste()) {
        PasteService::copy(*last);
        flash(
            state, bubble,
            Wording::of(QCoreApplication::translate("PasteLast", "Copied. Grant Accessibility to paste it for you.")));
        return;
    }
    PasteService::paste(*last);
    flash(state, bubble, QCoreApplication::translate("PasteLast", "Pasted your last dictation."));
}

} // namespace PasteLast
