#include "platform/linux/LinuxDesktopSettings.h"

#include "platform/ProgramLauncher.h"

#include <QString>

#include <span>

namespace {

struct Launch {
    const char* program;
    const char* argument;
};

// The accessibility page itself, in the order tried.
constexpr Launch kAccessibilityPages[] = {
    {"gnome-control-center", "universal-access"},
    {"systemsettings", "kcm_access"},
};

// The settings application of the other desktops, opened at its start page.
constexpr Launch kSettingsApps[] = {
    {"xfce4-settings-manager", nullptr},
    {"mate-control-center", nullptr},
    {"cinnamon-settings", nullptr},
    {"lxqt-config", nullptr},
};

bool startFirst(ProgramLauncher& launcher, std::span<const Launch> launches) {
    for (const Launch& launch : launches) {
        QStringList arguments;
        if (launch.argument)
            arguments << QString::fromLatin1(launch.argument);
        if (launcher.startDetached(QString::fromLatin1(launch.program), arguments))
            return true;
    }
    return false;
}

} // namespace

DesktopSettings::Opened LinuxDesktopSettings::openAccessibility() {
    if (startFirst(m_launcher, kAccessibilityPages))
        return Opened::AccessibilityPage;
    if (startFirst(m_launcher, kSettingsApps))
        return Opened::SettingsStart;
    return Opened::Nothing;
}
