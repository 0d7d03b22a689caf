#include "dictation/ProgressSpinner.h"

#include "dictation/BubbleStyle.h"

#include <QPainter>

namespace {
constexpr int kSpokes = 8;
constexpr std::chrono::milliseconds kStep{90};
constexpr qreal kInner = 3.5;
constexpr qreal kOuter = 7;
constexpr qreal kSpokeWidth = 1.8;
constexpr qreal kLeadingAlpha = 0.9;
constexpr qreal kFadePerSpoke = 0.1;
} // namespace

ProgressSpinner::ProgressSpinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSide, kSide);
    m_turn.setInterval(kStep);
    connect(&m_turn, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

void ProgressSpinner::setLight(bool light) {
    m_light = light;
    update();
}

void ProgressSpinner::showEvent(QShowEvent* event) {
    m_turn.start();
    QWidget::showEvent(event);
}

void ProgressSpinner::hideEvent(QHideEvent* event) {
    m_turn.stop();
    QWidget::hideEvent(event);
}

void ProgressSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(width() / 2.0, height() / 2.0);
    const QColor base = BubbleStyle::primary(m_light);
    for (int i = 0; i < kSpokes; ++i) {
        // The leading spoke is the darkest; the others fade behind it.
        const int age = (m_step - i + kSpokes) % kSpokes;
        painter.setPen(QPen(BubbleStyle::withAlpha(base, kLeadingAlpha - age * kFadePerSpoke), kSpokeWidth,
                            Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -kInner), QPointF(0, -kOuter));
        painter.rotate(360.0 / kSpokes);
    }
}
