#include "reader/FlagChip.h"

#include "looks/PixelFont.h"
#include "looks/TextColours.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/FlagMosaic.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kContentSpacing = 3;
constexpr double kSingleFlagSize = 21;
constexpr double kPairFlagSize = 14;
constexpr double kFlagOverlap = 3;
constexpr double kCodeSize = 9;
constexpr double kCodeKerning = 0.3;
constexpr double kActiveFill = 0.12;
constexpr double kHoverFill = 0.06;
constexpr double kRestFill = 0.035;

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

FlagChip::FlagChip(VoiceLanguage language, DelayedCall later, FlagMagnifierHover& hover, QWidget* parent)
    : QWidget(parent), m_language(std::move(language)), m_later(std::move(later)), m_hover(hover) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
    setToolTip(helpTag());
    setAttribute(Qt::WA_Hover);
    if (m_language.mosaic) {
        FlagMosaic::Geometry geometry;
        geometry.columns = kMosaicColumns;
        geometry.rows = kMosaicRows;
        geometry.side = kMosaicSide;
        geometry.spacing = kMosaicSpacing;
        auto* mosaic = new FlagMosaic(geometry, this);
        mosaic->setAttribute(Qt::WA_TransparentForMouseEvents);
        const QSizeF size = geometry.size();
        const QFontMetricsF code(pixelFont(kCodeSize, QFont::Bold, font()));
        const double content = size.height() + kContentSpacing + code.height();
        const QRectF box = face();
        mosaic->setGeometry(
            QRectF(box.center().x() - size.width() / 2, box.center().y() - content / 2, size.width(), size.height())
                .toAlignedRect());
        m_mosaic = mosaic;
    }
}

QSize FlagChip::sizeHint() const { return QSize(kFace + 2 * kMargin, kFace + 2 * kMargin); }

QRectF FlagChip::face() const { return QRectF(kMargin, kMargin, kFace, kFace); }

void FlagChip::setActive(bool active) {
    if (m_active != active) {
        m_active = active;
        update();
    }
}

void FlagChip::setHoldsChoice(bool holds) {
    if (m_holdsChoice != holds) {
        m_holdsChoice = holds;
        update();
    }
}

void FlagChip::setIsCursor(bool cursor) {
    if (m_cursor != cursor) {
        m_cursor = cursor;
        update();
    }
}

void FlagChip::setMagnified(bool magnified) { m_magnified = magnified; }

void FlagChip::setHovering(bool hovering) {
    m_hovering = hovering;
    const quint64 token = ++m_hoverToken;
    update();
    if (hovering && m_language.mosaic) {
        m_later(kOpenDelay, this, [this, token] {
            if (m_hoverToken == token && m_hovering)
                emit magnifiedRequested(true);
        });
        return;
    }
    if (!m_magnified)
        return;
    scheduleClose(token);
}

void FlagChip::scheduleClose(quint64 token) {
    m_later(kCloseDelay, this, [this, token] {
        if (m_hoverToken != token || m_hovering || m_hover.inside())
            return;
        // The open popup takes the pointer's events, so the chip hears of a
        // pointer still resting on it only by looking.
        if (isVisible() && rect().contains(mapFromGlobal(QCursor::pos()))) {
            scheduleClose(token);
            return;
        }
        emit magnifiedRequested(false);
    });
}

QString FlagChip::helpTag() const {
    return m_language.mosaic ? QStringLiteral("Spanish. Point to see every country") : m_language.label;
}

QString FlagChip::accessibleText() const {
    return m_language.label + QStringLiteral(", ") + QString::number(m_language.voices.size())
           + QStringLiteral(" voices");
}

void FlagChip::enterEvent(QEnterEvent*) { setHovering(true); }
void FlagChip::leaveEvent(QEvent*) { setHovering(false); }

void FlagChip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit pressed();
}

void FlagChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor primary = palette().color(QPalette::WindowText);
    const QColor secondary = withAlpha(primary, TextColours::kSecondary);
    const QRectF box = face();

    QPainterPath shape;
    shape.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.fillPath(shape, m_active ? withAlpha(accent, kActiveFill)
                                     : withAlpha(primary, m_hovering ? kHoverFill : kRestFill));
    if (m_active) {
        const double half = kBorderWidth / 2;
        painter.setPen(QPen(accent, kBorderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(half, half, -half, -half), kCornerRadius - half, kCornerRadius - half);
    }

    const QFont codeFont = [&] {
        QFont font = pixelFont(kCodeSize, QFont::Bold, this->font());
        font.setLetterSpacing(QFont::AbsoluteSpacing, kCodeKerning);
        return font;
    }();
    const QFontMetricsF codeMetrics(codeFont);
    double codeTop = 0;
    if (m_mosaic) {
        codeTop = m_mosaic->geometry().bottom() + 1 + kContentSpacing;
    } else {
        const double flagSize = m_language.flags.size() < 2 ? kSingleFlagSize : kPairFlagSize;
        const QFont flagFont = pixelFont(flagSize, QFont::Normal, font());
        const QFontMetricsF flagMetrics(flagFont);
        double flagsWidth = 0;
        for (const QString& flag : m_language.flags)
            flagsWidth += flagMetrics.horizontalAdvance(flag);
        flagsWidth -= kFlagOverlap * std::max<qsizetype>(m_language.flags.size() - 1, 0);
        const double content = flagMetrics.height() + kContentSpacing + codeMetrics.height();
        const double top = box.center().y() - content / 2;
        double x = box.center().x() - flagsWidth / 2;
        painter.setFont(flagFont);
        painter.setPen(primary);
        for (const QString& flag : m_language.flags) {
            const double advance = flagMetrics.horizontalAdvance(flag);
            painter.drawText(QRectF(x, top, advance, flagMetrics.height()), Qt::AlignCenter, flag);
            x += advance - kFlagOverlap;
        }
        codeTop = top + flagMetrics.height() + kContentSpacing;
    }
    painter.setFont(codeFont);
    painter.setPen(m_active ? TextColours::accent(palette()) : secondary);
    painter.drawText(QRectF(box.left(), codeTop, box.width(), codeMetrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                     m_language.code());

    if (m_holdsChoice) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        painter.drawEllipse(QRectF(box.right() - kDotInset - kDot, box.top() + kDotInset, kDot, kDot));
    }
    if (m_cursor) {
        const QRectF ring = box.adjusted(-kRingWidth, -kRingWidth, kRingWidth, kRingWidth);
        const double half = kRingWidth / 2;
        painter.setPen(QPen(accent, kRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring.adjusted(half, half, -half, -half), kRingRadius - half, kRingRadius - half);
    }
}
