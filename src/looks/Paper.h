#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

#include <optional>

class Defaults;

// The ruled-paper look shared by the bubble's paper card, the read-along
// window and the main window's pages: two palettes ("cream" light, "slate"
// dark) and the stored choice between them. GUI thread only.
namespace Paper {

// The five colours of a shade.
struct Palette {
    QColor sheet;  // paper fill
    QColor ink;    // text on the sheet
    QColor rule;   // horizontal rules
    QColor margin; // margin line
    QColor edge;   // card outline
};

enum class Shade { Cream, Slate, Automatic };

const Palette& cream();
const Palette& slate();
const Palette& palette(bool dark);

QString toString(Shade shade);
std::optional<Shade> fromString(const QString& raw);

// The stored "paperShade"; absent or any other text gives cream.
Shade shade(const Defaults& defaults);
Shade shade();
// Slate is dark, cream light; automatic follows `appearanceIsDark`.
bool isDark(Shade shade, bool appearanceIsDark);
// By the stored shade and the program's current look.
bool isDark();
// Whether the program's palette looks dark.
bool applicationLooksDark();
// Whether a palette looks dark (its window colour).
bool looksDark(const QPalette& palette);

} // namespace Paper
