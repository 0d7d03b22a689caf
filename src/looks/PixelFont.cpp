#include "looks/PixelFont.h"

#include <QtGlobal>

#include <algorithm>

QFont pixelFont(qreal pixels, QFont::Weight weight, QFont base) {
    base.setPixelSize(std::max(1, qRound(pixels)));
    base.setWeight(weight);
    return base;
}
