#include "learning/SelectionChipView.h"

#include "learning/CapsuleGlass.h"
#include "looks/Symbols.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr qreal kMargin = 4;
constexpr qreal kHoverScale = 1.04;
constexpr int kSymbolSize = 13;
constexpr int kSpacing = 6;
constexpr int kFontSize = 12;
constexpr int kSpinStep = 30;
constexpr int kSpinIntervalMs = 80;
const QColor kForeground(255, 255, 255);

QFont labelFont() {
    QFont font;
    font.setPixelSize(kFontSize);
    font.setWeight(QFont::DemiBold);
    return font;
}

QPixmap tinted(const QString& symbol) {
    QPixmap pixmap = Symbols::icon(symbol).pixmap(kSymbolSize, kSymbolSize);
    if (!pixmap.isNull()) {
        QPainter tint(&pixmap);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(pixmap.rect(), kForeground);
    }
    return pixmap;
}

QRectF capsule(const QSizeF& size) { return QRectF(QPointF(), size).adjusted(kMargin, kMargin, -kMargin, -kMargin); }

} // namespace

SelectionChipView::SelectionChipView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSize);
    // Room for the capsule at its hover size.
    CapsuleGlass::keepSolidWhereUnblended(*this, [](const QSizeF& size) {
        const QRectF area = capsule(size);
        const QSizeF grown = area.size() * kHoverScale;
        return QRectF(area.center() - QPointF(grown.width() / 2, grown.height() / 2), grown);
    });
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void SelectionChipView::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    if (m_state == State::Cleaning && !m_spinTimer)
        m_spinTimer = startTimer(kSpinIntervalMs);
    if (m_state != State::Cleaning && m_spinTimer) {
        killTimer(m_spinTimer);
        m_spinTimer = 0;
    }
    update();
}

QString SelectionChipView::text() const {
    switch (m_state) {
    case State::Idle:
        return tr("Clean up");
    case State::Cleaning:
        return tr("Cleaning");
    case State::Done:
        return tr("Cleaned");
    }
    return {};
}

void SelectionChipView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF area = capsule(QSizeF(size()));
    const qreal scale = m_hovered ? kHoverScale : 1.0;
    painter.translate(area.center());
    painter.scale(scale, scale);
    painter.translate(-area.center());
    CapsuleGlass::paint(painter, area);

    painter.setFont(labelFont());
    const QString label = text();
    const int textWidth = painter.fontMetrics().horizontalAdvance(label);
    const qreal rowWidth = kSymbolSize + kSpacing + textWidth;
    const qreal left = area.center().x() - rowWidth / 2;
    const QRectF symbol(left, area.center().y() - kSymbolSize / 2.0, kSymbolSize, kSymbolSize);
    if (m_state == State::Cleaning) {
        painter.setPen(QPen(kForeground, 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(symbol.adjusted(1, 1, -1, -1), -m_spinAngle * 16, 270 * 16);
    } else {
        painter.drawPixmap(symbol.topLeft(), tinted(m_state == State::Idle ? QStringLiteral("wand.and.sparkles")
                                                                           : QStringLiteral("checkmark")));
    }
    painter.setPen(kForeground);
    painter.drawText(QRectF(symbol.right() + kSpacing, area.top(), textWidth + 2, area.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, label);
}

void SelectionChipView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void SelectionChipView::enterEvent(QEnterEvent*) {
    m_hovered = true;
    update();
}

void SelectionChipView::leaveEvent(QEvent*) {
    m_hovered = false;
    update();
}

void SelectionChipView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_spinTimer)
        return QWidget::timerEvent(event);
    m_spinAngle = (m_spinAngle + kSpinStep) % 360;
    update();
}
