#pragma once

#include "looks/Paper.h"

#include <QMarginsF>
#include <QRectF>
#include <QString>

class QPainter;

// A sheet of ruled paper behind content: the rounded sheet, its ruling and a
// thin inner edge, clipped to the rounded shape. The content sits inside
// `kPadding`, its leading inset keeping text right of the margin line.
struct PaperCard {
    // Leading, top, trailing, bottom.
    static constexpr QMarginsF kPadding{46, 12, 14, 12};

    qreal lineHeight = 26;
    qreal radius = 14;
    // True: the shade follows the surrounding colour scheme whatever is stored.
    bool followsWindow = false;

    // The dark test: `followsWindow` wins; else "slate" is dark, "automatic"
    // follows the surroundings, and "cream" or anything else is light.
    static bool isDark(const QString& shadeRaw, bool surroundingIsDark, bool followsWindow);

    // Draws the card over `card`; the caller draws the content afterwards.
    void paint(QPainter& painter, const QRectF& card, const Paper::Palette& palette) const;
};
