#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

// Words set left to right in lines, a new line when the next would pass the
// right edge; a view first on its line is never wrapped, so an overlong word
// stands alone. Pure measuring and placing, which the read-along page's
// widget layout calls.
struct FlowLayout {
    static constexpr double kDefaultWidth = 480; // without a proposed width

    double spacing = 5;      // after each view on a line
    double lineSpacing = 14; // between lines

    // The flow's size: the whole available width, and the lines' height.
    QSizeF sizeThatFits(std::optional<double> proposedWidth, const QList<QSizeF>& ideal) const;
    // The top-left corner of every view within `bounds`.
    QList<QPointF> place(const QRectF& bounds, const QList<QSizeF>& ideal) const;
};
