#include "looks/PaperCard.h"

#include "looks/RuledSurface.h"

#include <QPainter>
#include <QPainterPath>

bool PaperCard::isDark(const QString& shadeRaw, bool surroundingIsDark, bool followsWindow) {
    if (followsWindow)
        return surroundingIsDark;
    switch (Paper::fromString(shadeRaw).value_or(Paper::Shade::Cream)) {
    case Paper::Shade::Slate:
        return true;
    case Paper::Shade::Automatic:
        return surroundingIsDark;
    case Paper::Shade::Cream:
        return false;
    }
    return false;
}

void PaperCard::paint(QPainter& painter, const QRectF& card, const Paper::Palette& palette) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);
    painter.setClipPath(shape, Qt::IntersectClip);
    painter.fillPath(shape, palette.sheet);
    RuledSurface{lineHeight, palette}.paint(painter, card);
    // The edge lies inside the shape: a 1-point line centred half a point in.
    painter.setPen(QPen(palette.edge, 1));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = 0.5;
    painter.drawRoundedRect(card.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);
    painter.restore();
}
