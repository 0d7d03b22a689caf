#include "app/Appearance.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

TEST(AppearanceTest, LightAndDarkAreExactAndOtherValuesFollowTheDesktop) {
    TempFolder folder;
    Defaults defaults(folder.path() + QStringLiteral("/defaults.json"));
    FakeColorScheme desktop;
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

} // namespace
