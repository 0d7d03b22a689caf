#pragma once

#include <QRectF>

class QPainter;

// Glass for every look but paper: behind the look the numbered glass, over it
// the glass rim; a light sheet under the dark letters of a `light` card. With
// `paper` on, the look is drawn as it is.
struct GlassUnlessPaper {
    bool paper = false;
    int variant = 11;
    bool light = false;

    void paintBehind(QPainter& painter, const QRectF& look) const;
    void paintOver(QPainter& painter, const QRectF& look) const;
};
