#include "onboarding/MilestoneBadge.h"
#include "onboarding/MilestoneBadgeView.h"
#include "onboarding/Milestones.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr double kHour = 3600.0;

class MilestoneBadgeTest : public ::testing::Test {
protected:
    MilestoneBadge::Environment environment() {
        MilestoneBadge::Environment env;
        env.pointer = [this] { return pointer; };
        env.screens = [this] { return screens; };
        env.primaryIndex = [] { return 0; };
        env.reduceMotion = [this] { return reduceMotion; };
        env.playChime = [this] { ++chimes; };
        return env;
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ManualTimers timers;
    std::optional<QPoint> pointer;
    QList<MilestoneBadge::Screen> screens{{QRect(0, 0, 1920, 1080), QRect(0, 32, 1920, 1048)}};
    bool reduceMotion = false;
    int chimes = 0;
    MilestoneBadge badge{defaults, timers.delayedCall(), environment()};
};

TEST_F(MilestoneBadgeTest, HeadlinesFollowTheHoursAndTheWelcomeHasNoNumber) {
    badge.celebrateIfDue(100);
    ASSERT_TRUE(badge.view());
    EXPECT_EQ(badge.view()->headline(), QStringLiteral("That is one"));
    EXPECT_EQ(badge.view()->number(), std::nullopt);
    EXPECT_EQ(badge.view()->spokenLabel(), QStringLiteral("That is one. I will keep count. See you at an hour."));

    badge.celebrateIfDue(kHour);
    EXPECT_EQ(badge.view()->headline(), QStringLiteral("hour saved"));
    EXPECT_EQ(badge.view()->number(), 1);

    badge.celebrateIfDue(3 * kHour);
    EXPECT_EQ(badge.view()->headline(), QStringLiteral("hours saved"));
    EXPECT_EQ(badge.view()->spokenLabel(), QStringLiteral("3 hours saved. ") + Milestones::line(3));
    EXPECT_EQ(chimes, 0) << "silent while the sound setting is absent";
}

TEST_F(MilestoneBadgeTest, WithBadgesOffNothingIsShownOrRecorded) {
    defaults.set(MilestoneBadge::kEnabledKey, false);
    badge.celebrateIfDue(12 * kHour);
    badge.celebrateIfDue(10);
    EXPECT_EQ(badge.panel(), nullptr);
    EXPECT_FALSE(defaults.contains(Milestones::kHighestKey));
    EXPECT_FALSE(defaults.contains(Milestones::kWelcomeShownKey));

    // Switched back on, the highest threshold reached meanwhile is celebrated.
    defaults.set(MilestoneBadge::kEnabledKey, QStringLiteral("no"));
    EXPECT_TRUE(badge.isEnabled()) << "a value that is not a Boolean counts as on";
    badge.celebrateIfDue(12 * kHour);
    EXPECT_EQ(badge.view()->number(), 10);
}

TEST_F(MilestoneBadgeTest, ThePreviewRecordsNothingAndChimesWhenSoundIsOn) {
    defaults.set(MilestoneBadge::kSoundKey, true);
    badge.show(3);
    EXPECT_TRUE(badge.isShowing());
    EXPECT_EQ(badge.view()->number(), 3);
    EXPECT_FALSE(defaults.contains(Milestones::kHighestKey));
    EXPECT_EQ(chimes, 1);
}

TEST_F(MilestoneBadgeTest, ANewerBadgeReplacesTheOldOneAndGetsItsFullTime) {
    badge.show(1);
    QWidget* panel = badge.panel();
    timers.advance(2s);
    badge.show(5);
    EXPECT_EQ(badge.panel(), panel) << "the panel is reused";
    EXPECT_EQ(panel->findChildren<MilestoneBadgeView*>().size(), 1);
    timers.advance(2200ms + 1ms);
    EXPECT_TRUE(badge.isShowing()) << "the first badge's hide was cancelled";
    timers.advance(2000ms - 2ms);
    EXPECT_TRUE(badge.isShowing());
    timers.advance(1ms);
    EXPECT_FALSE(badge.isShowing());
    EXPECT_EQ(badge.panel(), panel) << "kept while hidden";
}

TEST_F(MilestoneBadgeTest, TheBadgeNeverTakesFocusOrClicks) {
    badge.show(1);
    const Qt::WindowFlags flags = badge.panel()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTransparentForInput);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(badge.panel()->testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST_F(MilestoneBadgeTest, TheBadgeSitsInTheCornerOfThePointersScreen) {
    const QList<MilestoneBadge::Screen> two{
        {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)},
        {QRect(1920, -200, 1280, 1024), QRect(1920, -170, 1280, 994)},
    };
    const auto onSecond = MilestoneBadge::placement(two, 0, QPoint(2500, 100));
    ASSERT_TRUE(onSecond);
    const QRect badgeRect(*onSecond, QSize(300, 240));
    EXPECT_EQ(two[1].available.right() - badgeRect.right(), 24);
    EXPECT_EQ(two[1].available.bottom() - badgeRect.bottom(), 24);

    EXPECT_EQ(MilestoneBadge::placement(two, 1, QPoint(-50, -50)), onSecond) << "off every screen: the primary";
    EXPECT_EQ(MilestoneBadge::placement(two, 1, std::nullopt), onSecond);
    EXPECT_EQ(MilestoneBadge::placement({}, 0, QPoint(1, 1)), std::nullopt);

    screens = two;
    pointer = QPoint(2000, 0);
    badge.show(1);
    EXPECT_EQ(badge.panel()->pos(), *onSecond);
}

// Where the mark's larger body circle lies in a badge with a number.
constexpr QPoint kBodyCentre(146, 98);

QImage render(MilestoneBadgeView& view, const QColor& backdrop) {
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    QPainter painter(&image);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(MilestoneBadgeViewTest, RendersTheMarkHoursAndCaptionOnLightAndDark) {
    for (const bool dark : {false, true}) {
        MilestoneBadgeView view(QStringLiteral("hours saved"), 3, Milestones::line(3), dark, false);
        view.setElapsed(600ms);
        ASSERT_TRUE(QTest::qWaitFor([&view] { return view.hasColumn(); }, 10000));
        const QImage image = render(view, dark ? QColor(40, 44, 52) : QColor(236, 236, 232));
        ASSERT_FALSE(Artifacts::save(image, dark ? QStringLiteral("milestone-badge-dark.png")
                                                 : QStringLiteral("milestone-badge.png"))
                         .isEmpty());
        RenderCheck::expectReadable(view,
                                    dark ? QStringLiteral("milestone-badge-dark") : QStringLiteral("milestone-badge"));
        // The mark's body sits just left of the centre line, above the headline.
        const QColor body = image.pixelColor(kBodyCentre);
        const QColor expected =
            dark ? QColor::fromRgbF(0.937F, 0.902F, 0.847F) : QColor::fromRgbF(0.106F, 0.118F, 0.141F);
        EXPECT_NEAR(body.red(), expected.red(), 12) << dark;
        EXPECT_NEAR(body.blue(), expected.blue(), 12) << dark;
        // Some ember-coloured pixels: the number.
        int ember = 0;
        for (int y = 110; y < 160; ++y)
            for (int x = 0; x < 300; ++x) {
                const QColor c = image.pixelColor(x, y);
                ember += std::abs(c.red() - 204) < 20 && std::abs(c.green() - 138) < 20 && std::abs(c.blue() - 95) < 20;
            }
        EXPECT_GT(ember, 20) << dark;
    }
}

TEST(MilestoneBadgeViewTest, BeforeArrivingNothingShowsAndReduceMotionArrivesAtOnce) {
    MilestoneBadgeView waiting(QStringLiteral("hour saved"), 1, Milestones::line(1), false, false);
    const QImage before = render(waiting, Qt::transparent);
    int painted = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            painted += qAlpha(before.pixel(x, y)) > 0;
    EXPECT_LT(painted, 300) << "only the waiting embers";
    EXPECT_EQ(qAlpha(before.pixel(kBodyCentre)), 0);

    MilestoneBadgeView still(QStringLiteral("hour saved"), 1, Milestones::line(1), false, true);
    still.arrive();
    EXPECT_TRUE(still.hasArrived());
    ASSERT_TRUE(QTest::qWaitFor([&still] { return still.hasColumn(); }, 10000));
    const QImage after = render(still, Qt::transparent);
    EXPECT_EQ(qAlpha(after.pixel(kBodyCentre)), 255);
}

// The column's blurs take tens of milliseconds at every frame of the arrival:
// they are made once, on the thread pool, and a frame painted before they are
// there goes without the column rather than waiting for it.
TEST(MilestoneBadgeViewTest, TheColumnIsMadeAwayFromThePaintAndShowsOnceMade) {
    MilestoneBadgeView view(QStringLiteral("hours saved"), 3, Milestones::line(3), false, false);
    view.setElapsed(600ms);
    // The mark's dark body, or the bloom's light where it will be.
    const auto markShows = [&view] { return render(view, QColor(236, 236, 232)).pixelColor(kBodyCentre).red() < 128; };
    EXPECT_FALSE(markShows()) << "the first frame made the column itself";
    EXPECT_TRUE(QTest::qWaitFor(markShows, 10000)) << "the column never came";
}

TEST(MilestoneBadgeDesktopTest, TheBadgeMovesUnlessTheDesktopAsksForLessMotion) {
    ScopedFakePlatform platform;
    const MilestoneBadge::Environment desktop = MilestoneBadge::Environment::desktop();
    EXPECT_FALSE(desktop.reduceMotion()) << "no desktop setting: motion is on";
    platform.motionSetting.setReduced(true);
    EXPECT_TRUE(desktop.reduceMotion());
    platform.motionSetting.setReduced(false);
    EXPECT_FALSE(desktop.reduceMotion());
}

} // namespace
