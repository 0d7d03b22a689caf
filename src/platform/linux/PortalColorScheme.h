#pragma once

#include "platform/ColorScheme.h"

// The desktop's colour-scheme preference from the freedesktop settings portal
// (org.freedesktop.appearance color-scheme: 1 dark, 2 light, 0 none).
class PortalColorScheme : public ColorScheme {
public:
    std::optional<bool> prefersDark() const override;
};
