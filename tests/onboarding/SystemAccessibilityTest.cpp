// The accessibility shortcut: the hint it flashes on the bubble once the
// desktop's accessibility page is open.
#include "onboarding/SystemAccessibility.h"
#include "dictation/BubblePanel.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Destination = SystemAccessibility::Destination;

class SystemAccessibilityTest : public ::testing::Test {
protected:
    SystemAccessibilityTest() {
        platform.wording.table.insert(SystemAccessibility::hint(Destination::ZoomAndDisplay), kZoomHint);
    }

    BubblePanel::Desktop desktop() {
        BubblePanel::Desktop d;
        d.screens = [] {
            return QList<BubblePlacement::Screen>{{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048)}};
        };
        d.mainScreen = [] { return std::optional<int>(0); };
        d.schedule = timers.delayedCall();
        return d;
    }

    SystemAccessibility::Services services() { return {&platform.desktopSettings, &state, &bubble}; }

    const QString kZoomHint = QStringLiteral("Zoom is under Seeing.");
    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ManualTimers timers;
    AppState state;
    BubblePanel bubble{state, defaults, desktop()};
};

TEST_F(SystemAccessibilityTest, TheHintOutlastsAPendingFlash) {
    // A flash from before is still up, due to hide in 2.2 s.
    bubble.show(BubbleMode::Flash);
    bubble.scheduleHide(BubblePanel::kFlashShown);

    SystemAccessibility::open(Destination::ZoomAndDisplay, services());
    EXPECT_EQ(platform.desktopSettings.opens, 1);
    EXPECT_EQ(state.flashMessage(), kZoomHint) << "the hint in this desktop's wording";
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Flash);
    ASSERT_EQ(platform.announcer.announcements.size(), 1);
    EXPECT_EQ(platform.announcer.announcements[0].text, kZoomHint);
    EXPECT_EQ(platform.announcer.announcements[0].priority, Announcer::Priority::Medium);

    timers.advance(SystemAccessibility::kHintShown - 1ms);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Flash) << "the older flash's hide was replaced";
    timers.advance(1ms);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(SystemAccessibilityTest, WithoutTheAccessibilityPageNoHintShows) {
    for (DesktopSettings::Opened opened : {DesktopSettings::Opened::SettingsStart, DesktopSettings::Opened::Nothing}) {
        platform.desktopSettings.answer = opened;
        SystemAccessibility::open(Destination::DwellControl, services());
        EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
        EXPECT_TRUE(state.flashMessage().isEmpty());
        EXPECT_TRUE(platform.announcer.announcements.isEmpty());
    }
    EXPECT_EQ(platform.desktopSettings.opens, 2);
}

} // namespace
