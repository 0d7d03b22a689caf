#include "onboarding/QuorMark.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kGridHeight = 100;
constexpr qreal kGridWidth = 124;
} // namespace

QuorMark::QuorMark(int height, QWidget* parent) : QWidget(parent) {
    setFixedSize(qRound(height * kAspect), height);
    setAttribute(Qt::WA_TranslucentBackground);
}

void QuorMark::paint(QPainter& painter, const QRectF& area, const QColor& body) {
    const qreal u = area.height() / kGridHeight;
    const QPointF origin(area.center().x() - kGridWidth * u / 2, area.top());
    auto square = [&](qreal x, qreal y, qreal side) {
        return QRectF(origin + QPointF(x * u, y * u), QSizeF(side * u, side * u));
    };

    // The silhouette and its eye go into a layer of their own, so the cut
    // leaves a hole that shows whatever is behind the mark.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QRect bounds = area.toAlignedRect();
    QImage layer(bounds.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-bounds.topLeft());
        QPainterPath silhouette;
        silhouette.setFillRule(Qt::WindingFill);
        silhouette.addEllipse(square(16, 24, 68));
        silhouette.addEllipse(square(52, 14, 44));
        p.fillPath(silhouette, body);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        QPainterPath eye;
        eye.addEllipse(square(73.6, 28.6, 10.8));
        p.fillPath(eye, Qt::black);
    }
    painter.drawImage(bounds.topLeft(), layer);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath point;
    point.moveTo(origin + QPointF(92 * u, 30 * u));
    point.lineTo(origin + QPointF(118 * u, 37 * u));
    point.lineTo(origin + QPointF(92 * u, 44 * u));
    point.closeSubpath();
    painter.fillPath(point, pointColor());
    painter.restore();
}

void QuorMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect(), palette().color(QPalette::WindowText));
}
