#pragma once

class ColorScheme;
class Defaults;

// Gives the program the look the user chose in "appearance": "light" or "dark"
// set a light or dark palette; anything else follows the desktop's preference
// when it can be read, and the platform's own palette otherwise.
void applyStoredAppearance();
void applyStoredAppearance(const Defaults& defaults, const ColorScheme* desktop);

namespace Appearance {
// Whether the program currently looks dark.
bool isDark();
} // namespace Appearance
