#include "onboarding/QuorvaneMark.h"

#include "onboarding/BadgeColors.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kUnits = 32.0;
}

QuorvaneMark::QuorvaneMark(bool onDark, QWidget* parent) : QWidget(parent), m_onDark(onDark) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void QuorvaneMark::paint(QPainter& painter, const QRectF& area, bool onDark) {
    const qreal u = area.width() / kUnits;
    const QPointF middle = area.center();
    const QColor body = BadgeColors::markBody(onDark);
    const QColor eye = BadgeColors::markEye(onDark);
    auto circle = [&](qreal diameter, qreal right, qreal up, const QColor& color) {
        painter.setBrush(color);
        painter.drawEllipse(QPointF(middle.x() + right * u, middle.y() - up * u), diameter * u / 2, diameter * u / 2);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    circle(19, -2, -2, body);
    circle(12.4, 3.5, 2.5, body);
    circle(2.6, 5.8, 4, eye);
    // The beak is measured from the top-left of a square of side 32u centred in the area.
    const QPointF origin(middle.x() - kUnits * u / 2, middle.y() - kUnits * u / 2);
    QPainterPath beak;
    beak.moveTo(origin + QPointF(25.2 * u, 13.5 * u));
    beak.lineTo(origin + QPointF(29.5 * u, 14.7 * u));
    beak.lineTo(origin + QPointF(25.2 * u, 16.0 * u));
    beak.closeSubpath();
    painter.setBrush(BadgeColors::ember());
    painter.drawPath(beak);
    painter.restore();
}

void QuorvaneMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect(), m_onDark);
}
