#include "onboarding/SweepingHighlight.h"

#include "onboarding/OnbStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTextLayout>
#include <QTimer>
#include <QVariantAnimation>

namespace {
constexpr int kInset = 2;
constexpr qreal kLineSpacing = 3;
constexpr float kBarAlpha = 0.3F;

// Wraps `layout`'s text at `width` and returns its height.
qreal wrap(QTextLayout& layout, qreal width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height() + kLineSpacing;
    }
    layout.endLayout();
    return y > 0 ? y - kLineSpacing : 0;
}
} // namespace

SweepingHighlight::SweepingHighlight(const QString& text, QWidget* parent) : QWidget(parent), m_text(text) {
    setFont(OnbStyle::font(12));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void SweepingHighlight::setFilled(qreal filled) {
    m_filled = std::clamp<qreal>(filled, 0, 1);
    update();
}

int SweepingHighlight::heightForWidth(int width) const {
    QTextLayout layout(m_text, font());
    return qCeil(wrap(layout, width - 2 * kInset));
}

QSize SweepingHighlight::sizeHint() const { return QSize(480, heightForWidth(480)); }

void SweepingHighlight::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_swept)
        return;
    m_swept = true;
    auto* sweep = new QVariantAnimation(this);
    sweep->setStartValue(0.0);
    sweep->setEndValue(1.0);
    sweep->setDuration(kSweepMs);
    sweep->setEasingCurve(QEasingCurve::OutCubic);
    connect(sweep, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { setFilled(v.toReal()); });
    QPointer<QVariantAnimation> guard = sweep;
    QTimer::singleShot(kDelayMs, this, [guard] {
        if (guard)
            guard->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

void SweepingHighlight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QTextLayout layout(m_text, font());
    const qreal height = wrap(layout, width() - 2 * kInset);
    if (m_filled > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(0, 0, width() * m_filled, height), 2, 2);
        painter.fillPath(clip, OnbStyle::withAlpha(OnbStyle::accent(palette()), kBarAlpha));
    }
    painter.setPen(OnbStyle::primary(palette()));
    layout.draw(&painter, QPointF(kInset, 0));
}
