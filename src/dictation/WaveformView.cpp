#include "dictation/WaveformView.h"

#include "dictation/BubbleStyle.h"
#include "looks/Motion.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr qreal kLevelSpan = 20;
constexpr qreal kOuterShare = 0.35;
constexpr qreal kInactiveAlpha = 0.5;
} // namespace

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_TranslucentBackground);
    m_ease.setDuration(int(kLevelEase.count()));
    m_ease.setEasingCurve(Motion::easeOut());
    connect(&m_ease, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_shown = value.toFloat();
        update();
    });
}

qreal WaveformView::barHeight(float level, int index, int barCount) {
    const qreal m = (barCount - 1) / 2.0;
    const qreal closeness = m > 0 ? 1.0 - std::abs(index - m) / m : 1.0;
    return qreal(level) * kLevelSpan * (closeness * (1.0 - kOuterShare) + kOuterShare) + kInactiveHeight;
}

void WaveformView::setLevel(float level) {
    if (level == m_level)
        return;
    m_level = level;
    m_ease.stop();
    // Off screen there is nothing to watch move.
    if (Motion::reduced() || !isVisible()) {
        m_shown = level;
        update();
        return;
    }
    m_ease.setStartValue(m_shown);
    m_ease.setEndValue(level);
    m_ease.start();
}

void WaveformView::setActive(bool active) {
    m_active = active;
    update();
}

void WaveformView::setBarCount(int count) {
    m_barCount = qMax(0, count);
    update();
}

void WaveformView::setLight(bool light) {
    m_light = light;
    update();
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal rowWidth = m_barCount * kBarWidth + qMax(0, m_barCount - 1) * kBarSpacing;
    qreal x = (width() - rowWidth) / 2;
    const QColor fill = m_active ? BubbleStyle::orange()
                                 : BubbleStyle::withAlpha(BubbleStyle::secondary(m_light),
                                                          BubbleStyle::secondary(m_light).alphaF() * kInactiveAlpha);
    for (int i = 0; i < m_barCount; ++i) {
        const qreal h = qMin<qreal>(m_active ? barHeight(m_shown, i, m_barCount) : kInactiveHeight, height());
        QPainterPath bar;
        bar.addRoundedRect(QRectF(x, (height() - h) / 2, kBarWidth, h), kBarWidth / 2, kBarWidth / 2);
        painter.fillPath(bar, fill);
        x += kBarWidth + kBarSpacing;
    }
}
