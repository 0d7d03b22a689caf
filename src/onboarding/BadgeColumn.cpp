#include "onboarding/BadgeColumn.h"

#include "onboarding/BadgeColors.h"
#include "onboarding/MilestoneBadgeView.h"
#include "onboarding/QuorvaneMark.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

constexpr qreal kMarkSide = 58;
constexpr qreal kHeadlineGap = 7;
constexpr qreal kCaptionGap = 2;
constexpr qreal kHeadlinePoints = 24;
constexpr qreal kCaptionPoints = 12;

QFont headlineFont() {
    QFont font(QStringLiteral("serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(static_cast<int>(kHeadlinePoints));
    font.setBold(true);
    return font;
}

QFont captionFont() {
    QFont font;
    font.setPixelSize(static_cast<int>(kCaptionPoints));
    return font;
}

// A cheap Gaussian: three box blurs of the alpha channel.
QImage blurredAlpha(const QImage& source, int radius) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    const int box = std::max(1, radius / 2);
    std::vector<int> alpha(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[static_cast<std::size_t>(y) * w + x] = qAlpha(row[x]);
    }
    std::vector<int> tmp(alpha.size());
    auto pass = [&](bool horizontal) {
        const int lines = horizontal ? h : w;
        const int length = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> int& {
                return horizontal ? alpha[static_cast<std::size_t>(l) * w + i]
                                  : alpha[static_cast<std::size_t>(i) * w + l];
            };
            int sum = 0;
            for (int i = -box; i <= box; ++i)
                sum += at(std::clamp(i, 0, length - 1));
            for (int i = 0; i < length; ++i) {
                const std::size_t index =
                    horizontal ? static_cast<std::size_t>(l) * w + i : static_cast<std::size_t>(i) * w + l;
                tmp[index] = sum / (2 * box + 1);
                sum += at(std::min(i + box + 1, length - 1)) - at(std::max(i - box, 0));
            }
        }
        alpha.swap(tmp);
    };
    for (int round = 0; round < 3; ++round) {
        pass(true);
        pass(false);
    }
    QImage out(w, h, QImage::Format_Alpha8);
    for (int y = 0; y < h; ++y) {
        uchar* row = out.scanLine(y);
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<uchar>(alpha[static_cast<std::size_t>(y) * w + x]);
    }
    return out;
}

// A shadow of `color` from the shape of `layer`, blurred by `radius`.
QImage shadowOf(const QImage& layer, int radius, const QColor& color) {
    const QImage mask = blurredAlpha(layer, radius);
    QImage shadow(layer.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(color);
    QPainter painter(&shadow);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, mask);
    return shadow;
}

} // namespace

namespace BadgeColumn {

Images render(const Content& content, qreal dpr) {
    constexpr QSize kSize = MilestoneBadgeView::kSize;

    const QFont bigFont = headlineFont();
    const QFont smallFont = captionFont();
    const QFontMetricsF big(bigFont);
    const QFontMetricsF small(smallFont);
    const QString numberText = content.number ? QString::number(*content.number) + QLatin1Char(' ') : QString();
    const qreal headlineWidth = big.horizontalAdvance(numberText + content.headline);
    const qreal height = kMarkSide + kHeadlineGap + big.height() + kCaptionGap + small.height();
    const qreal top = (kSize.height() - height) / 2;
    const qreal midX = kSize.width() / 2.0;

    // The column is drawn into a layer so that its two halos follow its shape.
    QImage layer(QSize(kSize.width() * dpr, kSize.height() * dpr), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QRectF markArea(midX - kMarkSide / 2, top, kMarkSide, kMarkSide);
        // The mark's own soft drop shadow.
        {
            QImage markLayer(layer.size(), QImage::Format_ARGB32_Premultiplied);
            markLayer.setDevicePixelRatio(dpr);
            markLayer.fill(Qt::transparent);
            QPainter mp(&markLayer);
            QuorvaneMark::paint(mp, markArea, content.onDark);
            mp.end();
            QColor shadow(0, 0, 0);
            shadow.setAlphaF(content.onDark ? 0.55F : 0.24F);
            QImage drop = shadowOf(markLayer, static_cast<int>((content.onDark ? 9 : 5) * dpr), shadow);
            drop.setDevicePixelRatio(dpr);
            p.drawImage(QPointF(0, 3), drop);
            p.drawImage(QPointF(0, 0), markLayer);
        }
        const qreal headlineBaseline = top + kMarkSide + kHeadlineGap + big.ascent();
        qreal x = midX - headlineWidth / 2;
        p.setFont(bigFont);
        if (content.number) {
            p.setPen(BadgeColors::ember());
            p.drawText(QPointF(x, headlineBaseline), numberText);
            x += big.horizontalAdvance(numberText);
        }
        p.setPen(BadgeColors::headline(content.onDark));
        p.drawText(QPointF(x, headlineBaseline), content.headline);
        p.setFont(smallFont);
        p.setPen(BadgeColors::caption(content.onDark));
        const qreal captionTop = top + kMarkSide + kHeadlineGap + big.height() + kCaptionGap;
        const QRectF captionBox(0, captionTop, kSize.width(), small.height());
        p.drawText(captionBox, Qt::AlignHCenter | Qt::AlignTop, content.line);
    }
    QColor halo = content.onDark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    halo.setAlphaF(0.75F);
    Images images;
    images.wideHalo = shadowOf(layer, static_cast<int>(10 * dpr), halo);
    halo.setAlphaF(0.95F);
    images.tightHalo = shadowOf(layer, static_cast<int>(3 * dpr), halo);
    images.wideHalo.setDevicePixelRatio(dpr);
    images.tightHalo.setDevicePixelRatio(dpr);
    images.column = layer;
    return images;
}

} // namespace BadgeColumn
