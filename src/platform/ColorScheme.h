#pragma once

#include <optional>

// The desktop's light or dark preference.
class ColorScheme {
public:
    virtual ~ColorScheme() = default;
    // True for dark, false for light, none when the desktop states no preference
    // or cannot be asked.
    virtual std::optional<bool> prefersDark() const = 0;
};
