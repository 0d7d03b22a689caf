#include "dictation/BubbleStyle.h"

#include "looks/TextColours.h"

#include <QGuiApplication>

namespace BubbleStyle {

namespace {
// Qt's font points are 1/72 inch at 96 logical dots per inch.
constexpr qreal kPointsPerPixel = 72.0 / 96.0;
constexpr qreal kSecondary = TextColours::kSecondary;
} // namespace

QFont font(qreal points, QFont::Weight weight) {
    QFont f = QGuiApplication::font();
    f.setPointSizeF(points * kPointsPerPixel);
    f.setWeight(weight);
    return f;
}

QColor orange() { return QColor(255, 149, 0); }
QColor onOrange() { return QColor(0x1d, 0x1d, 0x1f); }
QColor green() { return QColor(52, 199, 89); }
QColor accent() { return QColor(10, 132, 255); }

QColor primary(bool light) { return light ? QColor(Qt::black) : QColor(Qt::white); }

QColor secondary(bool light) { return withAlpha(primary(light), kSecondary); }

QColor withAlpha(QColor colour, qreal alpha) {
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace BubbleStyle
