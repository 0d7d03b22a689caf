#include "looks/RuledSurface.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {

// Where the margin line reaches full strength and where it starts to fade.
constexpr qreal kMarginFadeIn = 0.12;
constexpr qreal kMarginFadeOut = 0.88;

QColor scaledAlpha(QColor colour, qreal factor) {
    colour.setAlphaF(float(colour.alphaF() * factor));
    return colour;
}

} // namespace

QList<qreal> RuledSurface::ruleOffsets(qreal height, qreal lineHeight) {
    QList<qreal> offsets;
    if (lineHeight <= 0)
        return offsets;
    for (qreal y = lineHeight; y < height; y += lineHeight)
        offsets << y;
    return offsets;
}

qreal RuledSurface::ruleFade(qreal fraction) {
    // The mask runs clear, black, black, clear at evenly spaced stops.
    const qreal third = 1.0 / 3.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction < third)
        return fraction / third;
    if (fraction > 2 * third)
        return (1.0 - fraction) / third;
    return 1.0;
}

void RuledSurface::paint(QPainter& painter, const QRectF& area) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const qreal h = area.height();
    for (qreal y : ruleOffsets(h, lineHeight)) {
        painter.setPen(QPen(scaledAlpha(palette.rule, ruleFade(y / h)), 1));
        painter.drawLine(QPointF(area.left(), area.top() + y), QPointF(area.right(), area.top() + y));
    }
    QLinearGradient fade(area.topLeft(), area.bottomLeft());
    fade.setColorAt(0, scaledAlpha(palette.margin, 0));
    fade.setColorAt(kMarginFadeIn, palette.margin);
    fade.setColorAt(kMarginFadeOut, palette.margin);
    fade.setColorAt(1, scaledAlpha(palette.margin, 0));
    painter.setPen(QPen(QBrush(fade), 1));
    const qreal x = area.left() + kMarginX;
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    painter.restore();
}
