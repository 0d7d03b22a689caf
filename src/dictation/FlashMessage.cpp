#include "dictation/FlashMessage.h"

#include "dictation/DictationPeers.h"
#include "state/Announce.h"
#include "state/AppState.h"

void flashMessage(AppState& state, BubbleControl* bubble, const QString& message, std::chrono::milliseconds shown) {
    state.setFlashMessage(message);
    if (bubble)
        bubble->show(BubbleMode::Flash);
    else
        state.setBubbleMode(BubbleMode::Flash);
    Announce::say(message, false);
    if (bubble)
        bubble->scheduleHide(shown);
}
