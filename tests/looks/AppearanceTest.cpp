#include "looks/Appearance.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

// Puts the program's palette back after a test that changes it.
class AppearanceTest : public testing::Test {
protected:
    ~AppearanceTest() override { QApplication::setPalette(m_original); }

    TempFolder folder;
    Defaults defaults{folder.path() + QStringLiteral("/defaults.json")};
    FakeColorScheme desktop;

private:
    QPalette m_original = QApplication::palette();
};

// The lightness of the brightest pixel drawn in one row of the menu.
int brightestIn(const QImage& image, const QRect& row) {
    int brightest = 0;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = row.left(); x <= row.right(); ++x)
            brightest = std::max(brightest, QColor(image.pixel(x, y)).lightness());
    return brightest;
}

TEST_F(AppearanceTest, LightAndDarkAreExactAndOtherValuesFollowTheDesktop) {
    const QPalette original = QGuiApplication::palette();

    defaults.set(QStringLiteral("appearance"), QStringLiteral("dark"));
    applyStoredAppearance(defaults, &desktop);
    EXPECT_TRUE(Appearance::isDark());

    defaults.set(QStringLiteral("appearance"), QStringLiteral("light"));
    desktop.dark = true;
    applyStoredAppearance(defaults, &desktop);
    EXPECT_FALSE(Appearance::isDark());

    defaults.set(QStringLiteral("appearance"), QStringLiteral("Light")); // letter case differs: follow the desktop
    applyStoredAppearance(defaults, &desktop);
    EXPECT_TRUE(Appearance::isDark());

    defaults.remove(QStringLiteral("appearance"));
    desktop.dark = false;
    applyStoredAppearance(defaults, &desktop);
    EXPECT_FALSE(Appearance::isDark());

    // No stated preference: the platform's own palette comes back.
    desktop.dark.reset();
    applyStoredAppearance(defaults, &desktop);
    EXPECT_EQ(QGuiApplication::palette().color(QPalette::Window), original.color(QPalette::Window));
}

TEST_F(AppearanceTest, SystemFollowsLaterDesktopChangesUntilAChoiceIsStored) {
    defaults.set(QStringLiteral("appearance"), QStringLiteral("system"));
    desktop.dark = false;
    applyStoredAppearance(defaults, &desktop);
    EXPECT_FALSE(Appearance::isDark());
    desktop.switchTo(true);
    EXPECT_TRUE(Appearance::isDark());
    desktop.switchTo(false);
    EXPECT_FALSE(Appearance::isDark());

    defaults.set(QStringLiteral("appearance"), QStringLiteral("dark"));
    applyStoredAppearance(defaults, &desktop);
    desktop.switchTo(false);
    EXPECT_TRUE(Appearance::isDark());
}

TEST_F(AppearanceTest, DisabledMenuRowsLookDisabledInTheDarkPalette) {
    defaults.set(QStringLiteral("appearance"), QStringLiteral("dark"));
    applyStoredAppearance(defaults, &desktop);
    const QPalette palette = QApplication::palette();
    EXPECT_LT(palette.color(QPalette::Disabled, QPalette::Text).lightness(),
              palette.color(QPalette::Active, QPalette::Text).lightness());

    QMenu menu;
    QAction* enabled = menu.addAction(QStringLiteral("Start Dictation"));
    QAction* disabled = menu.addAction(QStringLiteral("Engine: starting..."));
    disabled->setEnabled(false);
    menu.adjustSize();
    const QImage image = menu.grab().toImage().scaled(menu.size());
    // Drawn as a whole (text and any etching), the disabled row stays dimmer.
    EXPECT_LT(brightestIn(image, menu.actionGeometry(disabled)) + 40, brightestIn(image, menu.actionGeometry(enabled)));
}

} // namespace
