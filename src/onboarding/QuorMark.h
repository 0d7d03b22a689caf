#pragma once

#include <QWidget>

class QPainter;

// The product's logo mark: one silhouette of two circles in the text colour
// with the eye cut through it (what lies behind shows there), and an amber
// point drawn over it. `height` × 1.24 wide; drawn on a 124 × 100 grid.
class QuorMark : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kAspect = 1.24;
    explicit QuorMark(int height, QWidget* parent = nullptr);

    // Draws the mark into `area` (its height sets the unit), the silhouette in `body`.
    static void paint(QPainter& painter, const QRectF& area, const QColor& body);
    static QColor pointColor() { return QColor::fromRgbF(0.788F, 0.541F, 0.322F); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
