#include "engine/StepRow.h"

#include "looks/TintedSymbol.h"
#include "state/MainWindowPane.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr qreal kOutlineWidth = 1.5;
constexpr qreal kRunningInset = 1.0;
constexpr qreal kRunningShade = 0.6;
// The tertiary style: the secondary colour at this opacity again.
constexpr qreal kTertiary = 0.6;
// The bar's empty track: the text colour, faint.
constexpr qreal kTrackOpacity = 0.12;

QFont countFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(StepRow::kCountSize);
    return font;
}

QColor secondary(const QPalette& palette) { return palette.color(QPalette::PlaceholderText); }

} // namespace

StepRow::StepRow(const QString& title, QWidget* parent) : QWidget(parent), m_title(title) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(m_title);
}

void StepRow::setState(const State& state) {
    if (state == m_state)
        return;
    const bool grows = (state.kind == State::Kind::Running) != (m_state.kind == State::Kind::Running);
    m_state = state;
    const QString counted = count(m_state);
    setAccessibleName(counted.isEmpty() ? m_title : tr("%1, %2").arg(m_title, counted));
    if (grows)
        updateGeometry();
    update();
}

QString StepRow::count(const State& state) {
    if (state.kind == State::Kind::Waiting || state.total < 1)
        return {};
    return tr("%1 of %2").arg(state.done).arg(state.total);
}

int StepRow::lineHeight() const { return std::max(kIconSide, fontMetrics().height()); }

QSize StepRow::sizeHint() const {
    const int height = lineHeight() + (m_state.kind == State::Kind::Running ? kBarSpacing + kBarHeight : 0);
    const int width = kBarIndent + fontMetrics().horizontalAdvance(m_title) + kLineSpacing
                      + QFontMetrics(countFont()).horizontalAdvance(tr("%1 of %2").arg(40).arg(40));
    return {width, height};
}

QSize StepRow::minimumSizeHint() const { return sizeHint(); }

void StepRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void StepRow::paintIcon(QPainter& painter, const QRectF& frame) const {
    switch (m_state.kind) {
    case State::Kind::Finished: {
        const QPixmap check = TintedSymbol::pixmap(QStringLiteral("checkmark.circle.fill"), kIconSide,
                                                   MainWindowPanes::kGreen, devicePixelRatioF());
        painter.drawPixmap(frame.topLeft(), check);
        break;
    }
    case State::Kind::Waiting: {
        QColor line = secondary(palette());
        line.setAlphaF(line.alphaF() * kTertiary);
        painter.setPen(QPen(line, kOutlineWidth));
        painter.setBrush(Qt::NoBrush);
        const qreal half = kOutlineWidth / 2;
        painter.drawEllipse(frame.adjusted(half, half, -half, -half));
        break;
    }
    case State::Kind::Running: {
        // A softer ring with the solid half of it turning toward done.
        QColor soft = kEmber;
        soft.setAlphaF(kRunningShade);
        const QRectF ring = frame.adjusted(kRunningInset, kRunningInset, -kRunningInset, -kRunningInset);
        painter.setPen(QPen(soft, kOutlineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ring);
        QPainterPath half;
        half.moveTo(ring.center());
        half.arcTo(ring, 90, -180);
        half.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kEmber);
        painter.drawPath(half);
        break;
    }
    }
}

void StepRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int line = lineHeight();
    paintIcon(painter, QRectF(0, (line - kIconSide) / 2.0, kIconSide, kIconSide));

    const QString counted = count(m_state);
    const QFont countsIn = countFont();
    const int countWidth = counted.isEmpty() ? 0 : QFontMetrics(countsIn).horizontalAdvance(counted);
    const bool waiting = m_state.kind == State::Kind::Waiting;
    painter.setPen(waiting ? secondary(palette()) : palette().color(QPalette::WindowText));
    const QRect titleBox(kIconSide + kLineSpacing, 0, width() - kIconSide - 2 * kLineSpacing - countWidth, line);
    painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(m_title, Qt::ElideRight, titleBox.width()));
    if (!counted.isEmpty()) {
        painter.setFont(countsIn);
        painter.setPen(secondary(palette()));
        painter.drawText(QRect(width() - countWidth, 0, countWidth, line), Qt::AlignRight | Qt::AlignVCenter, counted);
    }

    if (m_state.kind != State::Kind::Running)
        return;
    const QRectF track(kBarIndent, line + kBarSpacing, width() - kBarIndent, kBarHeight);
    const qreal radius = kBarHeight / 2.0;
    QColor trackColour = palette().color(QPalette::WindowText);
    trackColour.setAlphaF(kTrackOpacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(track, radius, radius);
    if (m_state.total < 1 || m_state.done <= 0)
        return;
    const qreal share = std::min(1.0, qreal(m_state.done) / m_state.total);
    painter.setBrush(kEmber);
    const qreal filled = std::max(track.height(), track.width() * share);
    painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(filled, kBarHeight)), radius, radius);
}
