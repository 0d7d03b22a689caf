// Which settings program opens the accessibility settings on which desktop.
#include "platform/linux/LinuxDesktopSettings.h"
#include "support/FakeProgramLauncher.h"

#include <gtest/gtest.h>

namespace {

using Opened = DesktopSettings::Opened;

QStringList started(const FakeProgramLauncher& launcher) {
    QStringList programs;
    for (const FakeProgramLauncher::Launch& launch : launcher.launches)
        programs << (QStringList{launch.program} + launch.arguments).join(QLatin1Char(' '));
    return programs;
}

TEST(LinuxDesktopSettingsTest, GnomeFirstThenKdeThenAnotherDesktopsSettings) {
    FakeProgramLauncher launcher;
    LinuxDesktopSettings settings(launcher);
    EXPECT_EQ(settings.openAccessibility(), Opened::AccessibilityPage);
    EXPECT_EQ(started(launcher), QStringList{QStringLiteral("gnome-control-center universal-access")});

    launcher.launches.clear();
    launcher.missing << QStringLiteral("gnome-control-center");
    EXPECT_EQ(settings.openAccessibility(), Opened::AccessibilityPage);
    EXPECT_EQ(started(launcher).last(), QStringLiteral("systemsettings kcm_access"));

    launcher.launches.clear();
    launcher.missing << QStringLiteral("systemsettings");
    EXPECT_EQ(settings.openAccessibility(), Opened::SettingsStart);
    EXPECT_EQ(started(launcher).last(), QStringLiteral("xfce4-settings-manager"));

    launcher.succeeds = false;
    EXPECT_EQ(settings.openAccessibility(), Opened::Nothing);
}

} // namespace
