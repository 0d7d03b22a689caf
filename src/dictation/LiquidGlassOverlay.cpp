#include "dictation/LiquidGlassOverlay.h"

#include <QLinearGradient>
#include <QPainter>

void LiquidGlassOverlay::paint(QPainter& painter, const QRectF& area) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient rim(area.topLeft(), area.bottomLeft());
    QColor top(Qt::white);
    top.setAlphaF(float(kTopAlpha));
    QColor bottom(Qt::white);
    bottom.setAlphaF(float(kBottomAlpha));
    rim.setColorAt(0, top);
    rim.setColorAt(1, bottom);
    painter.setPen(QPen(QBrush(rim), 1));
    painter.setBrush(Qt::NoBrush);
    const qreal radius = qMin(kRadius, qMin(area.width(), area.height()) / 2);
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter.restore();
}
