// The bubble's movements: a new text fades in over the old one, the meter
// eases to each level, and the panel's shadow falls only where a compositor
// draws it. Each is left out when the desktop asks for less motion.
#include "bubble/BubbleFixture.h"

#include "dictation/BubbleView.h"
#include "dictation/WaveformView.h"
#include "support/FakePlatform.h"

#include <QImage>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kSettle = 2000;

class BubbleMotionTest : public testing::Test {
protected:
    BubbleMotionTest() {
        state.setBubbleMode(BubbleMode::Result);
        state.setFinalText(QStringLiteral("See you on Thursday."));
        view.show();
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    AppState state;
    BubbleView view{state, defaults, BubbleView::Actions{}};
};

TEST_F(BubbleMotionTest, ANewTextFadesInOverTheOldOne) {
    state.setFinalText(QStringLiteral("See you on Friday."));
    EXPECT_EQ(view.fadingLines(), QStringList{QStringLiteral("See you on Thursday.")});
    EXPECT_LT(view.textShown(), 1);
    EXPECT_EQ(view.lines(), QStringList{QStringLiteral("See you on Friday.")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.textShown() == 1; }, kSettle));
    EXPECT_TRUE(view.fadingLines().isEmpty());
    // The same text again moves nothing.
    state.setFinalText(QStringLiteral("See you on Friday."));
    EXPECT_EQ(view.textShown(), 1);
}

TEST_F(BubbleMotionTest, WithLessMotionTheNewTextStandsAtOnce) {
    platform.motionSetting.setReduced(true);
    state.setFinalText(QStringLiteral("See you on Friday."));
    EXPECT_EQ(view.textShown(), 1);
    EXPECT_TRUE(view.fadingLines().isEmpty());
}

TEST_F(BubbleMotionTest, TheMeterEasesToEachLevelUnlessMotionIsReduced) {
    WaveformView meter;
    meter.show();
    meter.setLevel(0.8f);
    EXPECT_EQ(meter.level(), 0.8f);
    EXPECT_LT(meter.shownLevel(), 0.8f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return meter.shownLevel() == 0.8f; }, kSettle));

    platform.motionSetting.setReduced(true);
    meter.setLevel(0.2f);
    EXPECT_EQ(meter.shownLevel(), 0.2f);
}

class PanelShadowTest : public testing::Test, public BubbleFixture {
protected:
    ScopedFakePlatform platform;
};

TEST_F(PanelShadowTest, WithoutACompositorThereIsNoShadow) {
    platform.windowSystem.compositor = false;
    state.setFinalText(QStringLiteral("Hello there."));
    panel.show(BubbleMode::Result);
    EXPECT_EQ(panel.shadowWindow(), nullptr);
}

TEST_F(PanelShadowTest, ACompositorsShadowLiesRoundTheLookAndFollowsThePanel) {
    platform.windowSystem.compositor = true;
    state.setFinalText(QStringLiteral("Hello there."));
    panel.show(BubbleMode::Result);
    QWidget* shadow = panel.shadowWindow();
    ASSERT_NE(shadow, nullptr);
    EXPECT_TRUE(shadow->isVisible());
    const QRectF look = panel.view()->lookRect().translated(panel.window()->pos());
    EXPECT_TRUE(shadow->geometry().contains(look.toAlignedRect()));

    // Dark just below the look, clear inside it.
    const QImage drawn = shadow->grab().toImage();
    const QPoint below = (look.bottomLeft() + QPointF(look.width() / 2, 6)).toPoint() - shadow->pos();
    const QPoint inside = look.center().toPoint() - shadow->pos();
    EXPECT_GT(qAlpha(drawn.pixel(below)), 10);
    EXPECT_EQ(qAlpha(drawn.pixel(inside)), 0);

    panel.hide();
    EXPECT_FALSE(shadow->isVisible());
}

} // namespace
