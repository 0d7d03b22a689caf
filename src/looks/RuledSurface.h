#pragma once

#include "looks/Paper.h"

#include <QList>
#include <QRectF>

class QPainter;

// Notebook ruling over a rectangle: faint horizontal rules every `lineHeight`
// points from the top (none on the top edge, none on or below the bottom edge),
// fading out towards the top and bottom, and one margin line 30 points from
// the left, fading at its ends. Draws no sheet; callers fill it first.
struct RuledSurface {
    static constexpr qreal kMarginX = 30;

    qreal lineHeight = 26;
    Paper::Palette palette;

    // The offsets of the rules from the top for a surface `height` high.
    static QList<qreal> ruleOffsets(qreal height, qreal lineHeight);
    // How much of a rule's colour shows at `fraction` of the height (0 top, 1 bottom).
    static qreal ruleFade(qreal fraction);

    void paint(QPainter& painter, const QRectF& area) const;
};
