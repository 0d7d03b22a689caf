#pragma once

#include "platform/ColorScheme.h"

// A desktop whose colour preference the test sets.
class FakeColorScheme : public ColorScheme {
public:
    std::optional<bool> prefersDark() const override { return dark; }
    // Changes the preference as a desktop switch would, with the notification.
    void switchTo(std::optional<bool> preference) {
        dark = preference;
        emit changed();
    }
    std::optional<bool> dark;
};
