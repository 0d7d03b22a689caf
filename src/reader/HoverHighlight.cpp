#include "reader/HoverHighlight.h"

#include "reader/HoverNoticeModel.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>

HoverHighlight::HoverHighlight(HoverNoticeModel& model, QWidget* parent)
    : QWidget(parent), m_fade(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    m_fade->setDuration(int(kFade.count()));
    m_fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_amount = value.toReal();
        update();
    });
    m_amount = model.reading() ? 1 : 0;
    connect(&model, &HoverNoticeModel::readingChanged, this, &HoverHighlight::follow);
}

QPainterPath HoverHighlight::barAndFrame(const QSizeF& size, Qt::LayoutDirection direction) {
    const QRectF area(QPointF(), size);
    QPainterPath frame;
    frame.addRoundedRect(area, kRadius, kRadius);
    QPainterPath inside;
    const qreal inner = std::max<qreal>(0, kRadius - kFrameWidth);
    inside.addRoundedRect(area.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth), inner, inner);
    QPainterPath bar;
    bar.addRect(QRectF(direction == Qt::RightToLeft ? size.width() - kBarWidth : 0, 0, kBarWidth, size.height()));
    return frame.subtracted(inside).united(bar);
}

void HoverHighlight::follow(bool reading) {
    const qreal target = reading ? 1 : 0;
    m_fade->stop();
    if (!isVisible()) {
        m_amount = target;
        update();
        return;
    }
    m_fade->setStartValue(m_amount);
    m_fade->setEndValue(target);
    m_fade->start();
}

void HoverHighlight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    painter.setClipPath(shape);
    QColor fill = tint();
    fill.setAlphaF(float(kFillOpacity + (kReadingFillOpacity - kFillOpacity) * m_amount));
    painter.fillRect(rect(), fill);
    QColor bar = tint();
    bar.setAlphaF(float(kBarOpacity + (kReadingBarOpacity - kBarOpacity) * m_amount));
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const QRectF edge(rightToLeft ? width() - kBarWidth : 0, 0, kBarWidth, height());
    painter.fillRect(edge, bar);
}
