#pragma once

#include <QFont>
#include <QList>
#include <QPair>
#include <QPalette>
#include <QString>

#include <functional>

class QPainter;
class QRectF;

// A miniature drawn inside a settings tile: it fills `area` and reads the
// surrounding window's colours from `palette`. The pictures are static.
using SampleScene = std::function<void(QPainter&, const QRectF& area, const QPalette& palette)>;

// The miniatures of the settings tiles. GUI thread only.
namespace SampleScenes {

// The bar heights of the card's and the pill's waveforms.
inline const QList<qreal> kWaveHeights = {3, 6, 10, 7, 12, 5, 8, 4};

// A desktop backdrop in the window's own scheme.
SampleScene desktop();
// The dictation card over the desktop, inset 10 at the sides; drawn light or
// dark by `light` whatever the window's scheme.
SampleScene cardOnDesktop(bool light, const QString& text);
// The waveform pill centred over the desktop.
SampleScene pillOnDesktop(bool light);
// Labelled sample lines on a faint tint.
SampleScene text(const QList<QPair<QString, QString>>& lines, bool emphasis);
// A window's chrome, light or dark; `split` puts a light and a dark one side by side.
SampleScene chrome(bool dark);
SampleScene splitChrome();
// A highlighted selection, with the clean-up chip when `showChip`.
SampleScene selection(bool showChip);

// The window's primary text colour at `opacity`.
QColor primary(const QPalette& palette, qreal opacity = 1.0);
// A font of `size` points.
QFont font(qreal size, QFont::Weight weight = QFont::Normal);

} // namespace SampleScenes
