#pragma once

#include "platform/DesktopSettings.h"

class ProgramLauncher;

// GNOME's accessibility panel, else KDE's accessibility module; on another
// desktop its settings application at its start page.
class LinuxDesktopSettings : public DesktopSettings {
public:
    explicit LinuxDesktopSettings(ProgramLauncher& launcher) : m_launcher(launcher) {}
    Opened openAccessibility() override;

private:
    ProgramLauncher& m_launcher;
};
