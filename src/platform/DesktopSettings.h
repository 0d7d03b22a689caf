#pragma once

// The desktop's own settings application.
class DesktopSettings {
public:
    // What opened: the accessibility page itself, the settings at their start
    // (a desktop without such a page), or nothing.
    enum class Opened { AccessibilityPage, SettingsStart, Nothing };

    virtual ~DesktopSettings() = default;
    virtual Opened openAccessibility() = 0;
};
