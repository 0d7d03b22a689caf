#include "onboarding/KeyboardGuide.h"
#include "looks/TextColours.h"
#include "onboarding/Keyboard.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/ScopedLook.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(KeyboardTest, KeyWidthsAt520FollowTheRowsAndUnits) {
    const qreal inner = 520 - 2 * 7;
    EXPECT_DOUBLE_EQ(Keyboard::letterKeyWidth(inner, 0, 10, 4), 47.0);
    EXPECT_NEAR(Keyboard::letterKeyWidth(inner, 1, 9, 4), 49.78, 0.01);
    EXPECT_NEAR(Keyboard::letterKeyWidth(inner, 2, 7, 4), 61.43, 0.01);
    EXPECT_NEAR(Keyboard::bottomUnit(inner, 4), 478 / 14.85, 1e-9);

    qreal units = 0;
    for (const Keyboard::BottomKey& key : Keyboard::bottomRow())
        units += key.units;
    EXPECT_NEAR(units, Keyboard::kBottomUnits, 1e-9);

    Keyboard keyboard({QStringLiteral("QWERTYUIOP"), QStringLiteral("ASDFGHJKL"), QStringLiteral("ZXCVBNM")}, 4, 7);
    const QList<QRectF> keys = keyboard.bottomKeyRects(520);
    ASSERT_EQ(keys.size(), 8);
    EXPECT_NEAR(keys[4].width(), 138.4, 0.05) << "the space bar";
    EXPECT_NEAR(keys[3].width(), 46.7, 0.05) << "a command key";
    EXPECT_NEAR(keys.last().right(), 520 - 7, 1e-6) << "the row fills the plate";
    EXPECT_NEAR(keys[0].bottom(), 7 + 4 * 26 + 3 * 4, 1e-6);
    keyboard.resize(520, 300);
    EXPECT_EQ(keyboard.height(), 146);
}

class KeyboardGuideTest : public ::testing::Test {
protected:
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
};

TEST_F(KeyboardGuideTest, ANewGuideStartsOnTranslationAndSwitchesToThePlainKey) {
    KeyboardGuide speaking(KeyboardGuide::Topic::Speaking, true, defaults);
    EXPECT_TRUE(speaking.translating());
    EXPECT_TRUE(speaking.translationSegment()->isChecked());
    EXPECT_EQ(speaking.activeKey(), QStringLiteral("leftControl"));
    EXPECT_TRUE(speaking.caption().startsWith(QStringLiteral("typed in ")));
    EXPECT_EQ(speaking.outputText(), KeyboardGuide::kSpanish);

    speaking.plainSegment()->click();
    EXPECT_FALSE(speaking.translating());
    EXPECT_EQ(speaking.activeKey(), QStringLiteral("rightCommand"));
    EXPECT_EQ(speaking.caption(), QStringLiteral("typed where your cursor is"));
    EXPECT_EQ(speaking.outputText(), KeyboardGuide::kEnglish);
    EXPECT_TRUE(speaking.dividerText().endsWith(QStringLiteral(" \u00d72")));

    KeyboardGuide reading(KeyboardGuide::Topic::Reading, false, defaults);
    EXPECT_EQ(reading.activeKey(), QStringLiteral("leftOption"));
    EXPECT_EQ(reading.plainSegment()->text(), QStringLiteral("Reading"));
    reading.setTranslating(false);
    EXPECT_EQ(reading.activeKey(), QStringLiteral("rightOption"));
    EXPECT_EQ(reading.caption(), QStringLiteral("read aloud, the same words"));
}

TEST_F(KeyboardGuideTest, KeyNamesAndStoredValuesOutsideTheTable) {
    EXPECT_EQ(KeyboardGuide::name(QStringLiteral("leftOption")), QStringLiteral("Left Option"));
    EXPECT_EQ(KeyboardGuide::name(QStringLiteral("hyper")), QStringLiteral("hyper"));

    KeyboardGuide guide(KeyboardGuide::Topic::Speaking, true, defaults);
    defaults.set(QStringLiteral("doubleTapTranslateKey"), QString());
    EXPECT_EQ(guide.dividerText(), QStringLiteral(" \u00d72")) << "the guide follows the setting live";
    defaults.set(QStringLiteral("doubleTapTranslateKey"), QStringLiteral("rightControl"));
    EXPECT_EQ(guide.dividerText(), QStringLiteral("CONTROL \u00d72"));
}

// Counts pixels of `colour` (within a small tolerance) in the bottom row.
int litPixels(Keyboard& keyboard, const QColor& colour) {
    const QImage image = keyboard.grab().toImage();
    int count = 0;
    for (int y = 110; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) < 12 && std::abs(c.green() - colour.green()) < 12
                     && std::abs(c.blue() - colour.blue()) < 12;
        }
    return count;
}

TEST_F(KeyboardGuideTest, RightControlLightsNothingWhileADrawnKeyLights) {
    Keyboard keyboard({QStringLiteral("QWERTYUIOP"), QStringLiteral("ASDFGHJKL"), QStringLiteral("ZXCVBNM")}, 4, 7);
    keyboard.resize(520, 146);
    const QColor violet = TextColours::violet(keyboard.palette());
    keyboard.setLit({{QStringLiteral("rightControl"), violet}});
    keyboard.setPressed(QStringLiteral("rightControl"));
    EXPECT_EQ(litPixels(keyboard, violet), 0);
    keyboard.setLit({{QStringLiteral("leftControl"), violet}});
    keyboard.setPressed(QStringLiteral("leftControl"));
    EXPECT_GT(litPixels(keyboard, violet), 60);
}

TEST_F(KeyboardGuideTest, SwitchingKeysMovesTheirLookOverAFifthOfASecondUnlessMotionIsReduced) {
    ScopedFakePlatform platform;
    KeyboardGuide guide(KeyboardGuide::Topic::Speaking, false, defaults);
    guide.show();
    Keyboard* keyboard = guide.keyboard();
    EXPECT_EQ(keyboard->pressProgress(), 1);
    guide.plainSegment()->click();
    EXPECT_EQ(keyboard->pressProgress(), 0);
    // Halfway the old key is still partly lifted and the new one partly.
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard->pressProgress() > 0 && keyboard->pressProgress() < 1; }, 1000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard->pressProgress() == 1; }, 2000));

    platform.motionSetting.setReduced(true);
    guide.translationSegment()->click();
    EXPECT_EQ(keyboard->pressProgress(), 1);
    // The same key again moves nothing.
    platform.motionSetting.setReduced(false);
    keyboard->setPressed(guide.activeKey());
    EXPECT_EQ(keyboard->pressProgress(), 1);
}

TEST_F(KeyboardGuideTest, GuidesRenderInLightAndDark) {
    for (const bool dark : {false, true}) {
        // The pages take their colours from the application's palette when made.
        const ScopedLook look(dark);
        for (const auto topic : {KeyboardGuide::Topic::Speaking, KeyboardGuide::Topic::Reading}) {
            KeyboardGuide guide(topic, true, defaults);
            guide.setAutoFillBackground(true);
            guide.setFixedWidth(520);
            guide.adjustSize();
            guide.show();
            QApplication::processEvents();
            const QString name = QStringLiteral("keyboard-guide-%1%2.png")
                                     .arg(topic == KeyboardGuide::Topic::Speaking ? QStringLiteral("speaking")
                                                                                  : QStringLiteral("reading"),
                                          dark ? QStringLiteral("-dark") : QString());
            const QImage image = guide.grab().toImage();
            EXPECT_EQ(image.width(), 520);
            EXPECT_FALSE(Artifacts::save(image, name).isEmpty());
            RenderCheck::expectReadable(guide, name);
        }
    }
}

} // namespace
