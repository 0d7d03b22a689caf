#include "reader/FlowLayout.h"

#include <algorithm>

QSizeF FlowLayout::sizeThatFits(std::optional<double> proposedWidth, const QList<QSizeF>& ideal) const {
    const double available = proposedWidth.value_or(kDefaultWidth);
    double x = 0;
    double y = 0;
    double line = 0;
    for (const QSizeF& size : ideal) {
        if (x > 0 && x + size.width() > available) {
            y += line + lineSpacing;
            x = 0;
            line = 0;
        }
        x += size.width() + spacing;
        line = std::max(line, size.height());
    }
    return {available, y + line};
}

QList<QPointF> FlowLayout::place(const QRectF& bounds, const QList<QSizeF>& ideal) const {
    QList<QPointF> corners;
    corners.reserve(ideal.size());
    double x = bounds.left();
    double y = bounds.top();
    double line = 0;
    for (const QSizeF& size : ideal) {
        if (x + size.width() > bounds.right() && x > bounds.left()) {
            x = bounds.left();
            y += line + lineSpacing;
            line = 0;
        }
        corners.append({x, y});
        x += size.width() + spacing;
        line = std::max(line, size.height());
    }
    return corners;
}
