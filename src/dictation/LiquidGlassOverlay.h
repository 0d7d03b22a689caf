#pragma once

#include <QRectF>

class QPainter;

// The glass rim over a card: a 1-point rounded border of radius 24 inside the
// card's edge, white at 50 % at the top fading to 10 % at the bottom.
struct LiquidGlassOverlay {
    static constexpr qreal kRadius = 24;
    static constexpr qreal kTopAlpha = 0.5;
    static constexpr qreal kBottomAlpha = 0.1;

    void paint(QPainter& painter, const QRectF& area) const;
};
