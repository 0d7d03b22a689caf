#include "onboarding/OnbDots.h"

#include "onboarding/OnbStyle.h"

#include <QPainter>

namespace {
constexpr float kIdleAlpha = 0.18F;
}

OnbDots::OnbDots(int total, int index, QWidget* parent) : QWidget(parent), m_total(0), m_index(0) { set(total, index); }

QString OnbDots::label(int total, int index) {
    return QStringLiteral("Step %1 of %2").arg(qint64(index) + 1).arg(total);
}

void OnbDots::set(int total, int index) {
    m_total = std::max(total, 0);
    m_index = index;
    setAccessibleName(label(total, index));
    setFixedSize(sizeHint());
    update();
}

QSize OnbDots::sizeHint() const { return QSize(m_total > 0 ? m_total * kDot + (m_total - 1) * kSpacing : 0, kDot); }

void OnbDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < m_total; ++i) {
        painter.setBrush(i == m_index ? OnbStyle::accent(palette())
                                      : OnbStyle::withAlpha(OnbStyle::primary(palette()), kIdleAlpha));
        painter.drawEllipse(QRectF(i * (kDot + kSpacing), 0, kDot, kDot));
    }
}
