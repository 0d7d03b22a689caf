#pragma once

#include "platform/ColorScheme.h"

// A desktop whose colour preference the test sets.
class FakeColorScheme : public ColorScheme {
public:
    std::optional<bool> prefersDark() const override { return dark; }
    std::optional<bool> dark;
};
