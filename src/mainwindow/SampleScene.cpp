#include "mainwindow/SampleScene.h"

#include "looks/Appearance.h"
#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace SampleScenes {
namespace {

const QColor kOrange = QColor::fromRgbF(1.0f, 0.584f, 0.0f);
constexpr qreal kCardInset = 10;
constexpr qreal kCardRadius = 10;
constexpr qreal kWaveSpacing = 1.5;
constexpr qreal kWaveBar = 1.8;

QColor withAlpha(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

// The glass of the floating card: a translucent sheet in the card's own
// scheme, brightened or darkened as the card asks.
void glass(QPainter& painter, const QPainterPath& shape, bool light) {
    painter.fillPath(shape, light ? QColor(246, 246, 248, 190) : QColor(30, 30, 34, 190));
    painter.fillPath(shape, light ? QColor(255, 255, 255, qRound(0.38 * 255)) : QColor(0, 0, 0, qRound(0.22 * 255)));
}

qreal waveWidth() { return kWaveHeights.size() * kWaveBar + (kWaveHeights.size() - 1) * kWaveSpacing; }

void wave(QPainter& painter, QPointF leftCentre, bool light) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(light ? QColor(0, 0, 0, qRound(0.45 * 255)) : QColor(255, 255, 255, qRound(0.80 * 255)));
    qreal x = leftCentre.x();
    for (qreal height : kWaveHeights) {
        painter.drawRoundedRect(QRectF(x, leftCentre.y() - height / 2, kWaveBar, height), kWaveBar / 2, kWaveBar / 2);
        x += kWaveBar + kWaveSpacing;
    }
}

// Lays `text` out in `width`, at most `maxLines` lines; returns the height used.
qreal wrapped(QPainter* painter, const QString& text, const QFont& font, QPointF topLeft, qreal width, int maxLines) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    int lines = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        if (++lines == maxLines)
            break;
    }
    layout.endLayout();
    if (painter)
        layout.draw(painter, topLeft);
    return y;
}

void desktopFill(QPainter& painter, const QRectF& area) {
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    if (Appearance::isDark()) {
        gradient.setColorAt(0, QColor::fromRgbF(0.13f, 0.12f, 0.20f));
        gradient.setColorAt(1, QColor::fromRgbF(0.30f, 0.17f, 0.16f));
    } else {
        gradient.setColorAt(0, QColor::fromRgbF(0.62f, 0.68f, 0.86f));
        gradient.setColorAt(1, QColor::fromRgbF(0.90f, 0.76f, 0.68f));
    }
    painter.fillRect(area, gradient);
}

void chromeIn(QPainter& painter, const QRectF& area, bool dark) {
    painter.fillRect(area, dark ? QColor::fromRgbF(0.13f, 0.13f, 0.14f) : QColor::fromRgbF(0.96f, 0.96f, 0.97f));
    painter.setPen(Qt::NoPen);
    const QPointF origin = area.topLeft() + QPointF(9, 9);
    painter.setBrush(dark ? QColor(255, 255, 255, qRound(0.25 * 255)) : QColor(0, 0, 0, qRound(0.18 * 255)));
    for (int i = 0; i < 3; ++i)
        painter.drawEllipse(QRectF(origin.x() + i * 7, origin.y(), 4, 4));
    painter.setBrush(dark ? QColor(255, 255, 255, qRound(0.55 * 255)) : QColor(0, 0, 0, qRound(0.55 * 255)));
    painter.drawRoundedRect(QRectF(origin.x(), origin.y() + 8, 34, 4), 2, 2);
    painter.setBrush(dark ? QColor(255, 255, 255, qRound(0.22 * 255)) : QColor(0, 0, 0, qRound(0.20 * 255)));
    painter.drawRoundedRect(QRectF(origin.x(), origin.y() + 16, 50, 3), 2, 2);
    painter.drawRoundedRect(QRectF(origin.x(), origin.y() + 23, 42, 3), 2, 2);
}

} // namespace

QColor primary(const QPalette& palette, qreal opacity) {
    return withAlpha(palette.color(QPalette::WindowText), opacity);
}

QFont font(qreal size, QFont::Weight weight) {
    QFont result;
    result.setPixelSize(qRound(size));
    result.setWeight(weight);
    return result;
}

SampleScene desktop() {
    return [](QPainter& painter, const QRectF& area, const QPalette&) { desktopFill(painter, area); };
}

SampleScene cardOnDesktop(bool light, const QString& text) {
    return [light, text](QPainter& painter, const QRectF& area, const QPalette&) {
        desktopFill(painter, area);
        const qreal width = area.width() - 2 * kCardInset;
        const QFont body = font(8.5, QFont::Medium);
        const qreal inner = width - 18;
        const qreal bodyHeight = wrapped(nullptr, text, body, {}, inner, 3);
        const qreal height = 7 + 8 + 5 + bodyHeight + 7;
        const QRectF card(area.left() + kCardInset, area.center().y() - height / 2, width, height);
        QPainterPath shape;
        shape.addRoundedRect(card, kCardRadius, kCardRadius);
        glass(painter, shape, light);

        const qreal headerY = card.top() + 7 + 4;
        painter.setPen(Qt::NoPen);
        painter.setBrush(kOrange);
        painter.drawEllipse(QRectF(card.left() + 9, headerY - 3, 6, 6));
        painter.setFont(font(7.5, QFont::DemiBold));
        painter.setPen(light ? QColor::fromRgbF(0, 0, 0, float(TextColours::kSecondary))
                             : QColor::fromRgbF(1, 1, 1, float(TextColours::kSecondary)));
        painter.drawText(QRectF(card.left() + 19, headerY - 6, inner, 12), Qt::AlignLeft | Qt::AlignVCenter,
                         QObject::tr("Notes"));
        wave(painter, QPointF(card.right() - 9 - waveWidth(), headerY), light);

        painter.setPen(light ? Qt::black : Qt::white);
        wrapped(&painter, text, body, QPointF(card.left() + 9, card.top() + 7 + 8 + 5), inner, 3);
    };
}

SampleScene pillOnDesktop(bool light) {
    return [light](QPainter& painter, const QRectF& area, const QPalette&) {
        desktopFill(painter, area);
        const QSizeF size(10 + 7 + 6 + waveWidth() + 10, 6 + 12 + 6);
        const QRectF pill(area.center() - QPointF(size.width() / 2, size.height() / 2), size);
        QPainterPath shape;
        shape.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
        glass(painter, shape, light);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kOrange);
        painter.drawEllipse(QRectF(pill.left() + 10, pill.center().y() - 3.5, 7, 7));
        wave(painter, QPointF(pill.left() + 10 + 7 + 6, pill.center().y()), light);
    };
}

SampleScene text(const QList<QPair<QString, QString>>& lines, bool emphasis) {
    return [lines, emphasis](QPainter& painter, const QRectF& area, const QPalette& palette) {
        painter.fillRect(area, primary(palette, 0.035));
        const QRectF inner = area.adjusted(10, 8, -10, -8);
        const QFont label = font(8, QFont::DemiBold);
        QFont body = font(11, emphasis ? QFont::DemiBold : QFont::Normal);
        body.setFamilies({QStringLiteral("Nunito"), QStringLiteral("Ubuntu"), body.family()});
        const qreal labelHeight = QFontMetricsF(label).height();
        qreal total = 0;
        for (const auto& line : lines)
            total += labelHeight + 1 + wrapped(nullptr, line.second, body, {}, inner.width(), 2);
        total += 6 * std::max<qsizetype>(0, lines.size() - 1);
        qreal y = inner.center().y() - total / 2;
        for (const auto& line : lines) {
            painter.setFont(label);
            painter.setPen(primary(palette, TextColours::kTertiary));
            painter.drawText(QRectF(inner.left(), y, inner.width(), labelHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             line.first);
            y += labelHeight + 1;
            painter.setPen(primary(palette));
            y += wrapped(&painter, line.second, body, QPointF(inner.left(), y), inner.width(), 2) + 6;
        }
    };
}

SampleScene chrome(bool dark) {
    return [dark](QPainter& painter, const QRectF& area, const QPalette&) { chromeIn(painter, area, dark); };
}

SampleScene splitChrome() {
    return [](QPainter& painter, const QRectF& area, const QPalette&) {
        const qreal half = area.width() / 2;
        chromeIn(painter, QRectF(area.left(), area.top(), half, area.height()), false);
        chromeIn(painter, QRectF(area.left() + half, area.top(), area.width() - half, area.height()), true);
    };
}

SampleScene selection(bool showChip) {
    return [showChip](QPainter& painter, const QRectF& area, const QPalette& palette) {
        painter.fillRect(area, primary(palette, 0.035));
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(palette.color(QPalette::Highlight), 0.30));
        painter.drawRoundedRect(QRectF(area.left() + 11, area.top() + 11, 84, 5), 2, 2);
        painter.drawRoundedRect(QRectF(area.left() + 11, area.top() + 11 + 5 + 3, 66, 5), 2, 2);
        if (!showChip)
            return;
        const QFont label = font(8, QFont::DemiBold);
        const QString caption = QObject::tr("Clean up");
        const qreal textWidth = QFontMetricsF(label).horizontalAdvance(caption);
        const QSizeF size(7 + 7 + 3 + textWidth + 7, 4 + 10 + 4);
        const QRectF chip(area.bottomRight() - QPointF(9 + size.width(), 9 + size.height()), size);
        painter.setBrush(palette.color(QPalette::Base));
        painter.setPen(QPen(primary(palette, 0.10), 0.5));
        painter.drawRoundedRect(chip.adjusted(0.25, 0.25, -0.25, -0.25), chip.height() / 2, chip.height() / 2);
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const QPixmap wand = TintedSymbol::pixmap(QStringLiteral("wand.and.sparkles"), 7, primary(palette), ratio);
        painter.drawPixmap(QPointF(chip.left() + 7, chip.center().y() - 3.5), wand);
        painter.setFont(label);
        painter.setPen(primary(palette));
        painter.drawText(QRectF(chip.left() + 7 + 7 + 3, chip.top(), textWidth + 1, chip.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, caption);
    };
}

} // namespace SampleScenes
