#include "dictation/BroomButton.h"

#include "dictation/BubbleStyle.h"
#include "looks/Symbols.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kFontSize = 12;
constexpr int kPadX = 10;
constexpr int kPadY = 5;
constexpr int kIconGap = 4;
constexpr qreal kHoverAlpha = 1.0;
constexpr qreal kRestAlpha = 0.85;
constexpr qreal kDisabledOpacity = 0.45;
} // namespace

BroomButton::BroomButton(AppState& state, std::function<void()> cleanUp, QWidget* parent)
    : QAbstractButton(parent), m_state(state), m_cleanUp(std::move(cleanUp)) {
    setText(QCoreApplication::translate("BubbleView", "Clean up"));
    setFont(BubbleStyle::font(kFontSize, QFont::DemiBold));
    setIcon(Symbols::icon(QStringLiteral("wand.and.sparkles")));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    connect(&m_state, &AppState::cleanupStateChanged, this, &BroomButton::follow);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_cleanUp)
            m_cleanUp();
    });
    follow();
}

bool BroomButton::enabledFor(AppState::CleanupState state) {
    return state != AppState::CleanupState::Cleaning && state != AppState::CleanupState::Done;
}

void BroomButton::follow() { setEnabled(enabledFor(m_state.cleanupState())); }

QSize BroomButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int iconSide = metrics.height() - 2;
    const int w = kPadX + iconSide + kIconGap + metrics.horizontalAdvance(text()) + kPadX;
    return {w, metrics.height() + 2 * kPadY};
}

void BroomButton::enterEvent(QEnterEvent* event) {
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void BroomButton::leaveEvent(QEvent* event) {
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void BroomButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!isEnabled())
        painter.setOpacity(kDisabledOpacity);
    const QRectF box(rect());
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.fillPath(capsule, BubbleStyle::withAlpha(BubbleStyle::orange(), m_hovering ? kHoverAlpha : kRestAlpha));
    const QFontMetrics metrics(font());
    const int iconSide = metrics.height() - 2;
    const QRect iconBox(kPadX, (height() - iconSide) / 2, iconSide, iconSide);
    // The symbol is drawn dark like the letters, which white would leave
    // unreadable on the bright orange.
    QPixmap symbol = icon().pixmap(iconBox.size(), devicePixelRatioF());
    if (!symbol.isNull()) {
        QPainter tint(&symbol);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(symbol.rect(), BubbleStyle::onOrange());
        tint.end();
        painter.drawPixmap(iconBox, symbol);
    }
    painter.setPen(BubbleStyle::onOrange());
    painter.setFont(font());
    painter.drawText(QRect(iconBox.right() + 1 + kIconGap, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
}
