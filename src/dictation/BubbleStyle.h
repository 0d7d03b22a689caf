#pragma once

#include <QColor>
#include <QFont>

// Fonts and colours of the bubble's views. Sizes are points, which are
// logical pixels here as on the platform the looks were drawn for.
namespace BubbleStyle {

// The application's font at `points` logical pixels and `weight`.
QFont font(qreal points, QFont::Weight weight = QFont::Normal);

QColor orange();
// Letters and symbols on an orange fill.
QColor onOrange();
QColor green();
QColor accent();
// Text on a light (true) or dark (false) card.
QColor primary(bool light);
QColor secondary(bool light);
QColor withAlpha(QColor colour, qreal alpha);

} // namespace BubbleStyle
