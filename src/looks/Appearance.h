#pragma once

class ColorScheme;
class Defaults;

// Gives the program the look the user chose in "appearance": "light" or "dark"
// set a light or dark palette; anything else follows the desktop's preference
// when it can be read, and the platform's own palette otherwise. While it
// follows the desktop, a later change of the desktop's preference applies at
// once (until the next call). GUI thread only.
void applyStoredAppearance();
// `defaults` and `desktop` must outlive the following; it ends with either.
void applyStoredAppearance(const Defaults& defaults, const ColorScheme* desktop);

namespace Appearance {
// Whether the program currently looks dark.
bool isDark();
// Whether the desktop (its panel) looks dark: its stated preference, else the
// platform's own palette. The stored "appearance" plays no part.
bool desktopIsDark(const ColorScheme* desktop);
bool desktopIsDark();
} // namespace Appearance
