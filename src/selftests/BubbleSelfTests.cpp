#include "selftests/SelfTestRun.h"
#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "dictation/BubblePanel.h"
#include "platform/KeySynth.h"
#include "platform/Platform.h"
#include "state/AppState.h"

#include <QIcon>

namespace SelfTests {
namespace {

using namespace std::chrono_literals;

const QString kSampleTarget = QStringLiteral("Notes");
// The icon theme's name for a text editor.
const QString kSampleIcon = QStringLiteral("accessories-text-editor");
const QString kSampleText = QStringLiteral(
    "This is the live preview card showing a longer dictation so we can judge how a real paragraph wraps across "
    "multiple lines, how the spacing feels, and whether the glass reads as glass over whatever is behind it.");
constexpr float kSampleLevel = 0.6f;
constexpr auto kListeningShown = 6000ms;

const QString kDismissText = QStringLiteral("Dismissal test text.");
constexpr auto kBeforeKey = 1200ms;
constexpr auto kAfterKey = 800ms;
// A card of three words hides itself after 0.85 s, before the look at it; it
// is held past the key's wait, so that only the key can take it away.
constexpr auto kDismissCardHeld = kBeforeKey + kAfterKey + 3000ms;

constexpr auto kBeforeCapture = 3000ms;

} // namespace

void showSampleBubble(BubblePanel& bubble) {
    auto* run = SelfTestRun::begin();
    AppState& state = AppState::shared();
    state.setTargetAppName(kSampleTarget);
    state.setTargetAppIcon(QIcon::fromTheme(kSampleIcon));
    state.setLiveText(kSampleText);
    state.setMicLevel(kSampleLevel);
    bubble.show(BubbleMode::Listening);
    run->after(kListeningShown, [run, &bubble] {
        AppState& state = AppState::shared();
        state.setFinalText(state.liveText());
        bubble.show(BubbleMode::Result);
        run->end();
    });
}

void dismissResultCard(const QString& path, BubblePanel& bubble) {
    auto* run = SelfTestRun::begin();
    AppState::shared().setFinalText(kDismissText);
    bubble.show(BubbleMode::Result);
    bubble.scheduleHide(kDismissCardHeld);
    run->after(kBeforeKey, [run, path] {
        const bool before = AppState::shared().bubbleMode() == BubbleMode::Result;
        const QString beforeText = QStringLiteral("before=") + SelfTestText::boolean(before);
        KeySynth* keys = Platform::current().keySynth;
        if (!keys || !keys->canPost()) {
            // No key can be posted (Wayland): nothing dismissed the card.
            SelfTestText::write(path, beforeText + QStringLiteral(" dismissed=false"));
            run->end();
            return;
        }
        keys->pressF15();
        run->after(kAfterKey, [run, path, beforeText] {
            const bool dismissed = AppState::shared().bubbleMode() == BubbleMode::Hidden;
            SelfTestText::write(path, beforeText + QStringLiteral(" dismissed=") + SelfTestText::boolean(dismissed));
            run->end();
        });
    });
}

void captureBubble(const QString& path, BubblePanel& bubble) {
    auto* run = SelfTestRun::begin();
    run->after(kBeforeCapture, [run, path, &bubble] {
        bubble.captureRegion(path);
        run->end();
    });
}

} // namespace SelfTests
