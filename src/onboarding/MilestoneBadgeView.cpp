#include "onboarding/MilestoneBadgeView.h"

#include "onboarding/BadgeColors.h"
#include "onboarding/QuorvaneMark.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kBloomInner = 4;
constexpr qreal kBloomOuter = 132;
constexpr qreal kMarkSide = 58;
constexpr qreal kHeadlineGap = 7;
constexpr qreal kCaptionGap = 2;
constexpr qreal kHeadlinePoints = 24;
constexpr qreal kCaptionPoints = 12;
constexpr qreal kStartScale = 0.88;
constexpr qreal kEmberSpacing = 15;
constexpr qreal kEmberStartDown = 52;
constexpr qreal kEmberRiseBase = 70;
constexpr qreal kEmberRiseStep = 18;
constexpr qreal kEmberStartOpacity = 0.95;

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
                return horizontal ? alpha[static_cast<std::size_t>(l) * w + i] : alpha[static_cast<std::size_t>(i) * w + l];
            };
            int sum = 0;
            for (int i = -box; i <= box; ++i)
                sum += at(std::clamp(i, 0, length - 1));
            for (int i = 0; i < length; ++i) {
                const std::size_t index = horizontal ? static_cast<std::size_t>(l) * w + i : static_cast<std::size_t>(i) * w + l;
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

MilestoneBadgeView::MilestoneBadgeView(const QString& headline, std::optional<int> number, const QString& line,
                                       bool onDark, bool reduceMotion, QWidget* parent)
    : QWidget(parent), m_headline(headline), m_number(number), m_line(line), m_onDark(onDark),
      m_reduceMotion(reduceMotion) {
    setFixedSize(kSize);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(spokenLabel());
}

QString MilestoneBadgeView::spokenLabel() const {
    QString label;
    if (m_number)
        label = QString::number(*m_number) + QLatin1Char(' ');
    return label + m_headline + QStringLiteral(". ") + m_line;
}

std::chrono::milliseconds MilestoneBadgeView::animationLength() {
    return std::max(kArrival * 2, kEmberRise + kEmberStagger * (kEmbers - 1));
}

void MilestoneBadgeView::arrive() {
    if (m_reduceMotion) {
        setElapsed(animationLength());
        return;
    }
    setElapsed(std::chrono::milliseconds(0));
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(0);
        m_animation->setEndValue(static_cast<int>(animationLength().count()));
        m_animation->setDuration(static_cast<int>(animationLength().count()));
        connect(m_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { setElapsed(std::chrono::milliseconds(value.toInt())); });
    }
    m_animation->start();
}

void MilestoneBadgeView::setElapsed(std::chrono::milliseconds elapsed) {
    m_elapsed = elapsed;
    update();
}

void MilestoneBadgeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    qreal progress = 0;
    if (m_elapsed) {
        if (m_reduceMotion) {
            progress = 1;
        } else {
            const qreal t = std::min<qreal>(1, static_cast<qreal>(m_elapsed->count()) / kArrival.count());
            // An under-damped spring: overshoots a little, then settles at 1.
            progress = t >= 1 ? 1 : QEasingCurve(QEasingCurve::OutBack).valueForProgress(t);
        }
    }
    const qreal opacity = std::clamp<qreal>(progress, 0, 1);
    paintBloom(painter, opacity);
    if (!m_reduceMotion)
        paintEmbers(painter);
    paintColumn(painter, kStartScale + (1 - kStartScale) * progress, opacity);
}

void MilestoneBadgeView::paintBloom(QPainter& painter, qreal opacity) {
    if (opacity <= 0)
        return;
    const QPointF centre = QRectF(rect()).center();
    QRadialGradient gradient(centre, kBloomOuter);
    const QColor base = m_onDark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    auto at = [&](qreal alpha) {
        QColor c = base;
        c.setAlphaF(static_cast<float>(alpha));
        return c;
    };
    const qreal inner = kBloomInner / kBloomOuter;
    gradient.setColorAt(0, at(m_onDark ? 0.72 : 0.94));
    gradient.setColorAt(inner, at(m_onDark ? 0.72 : 0.94));
    gradient.setColorAt((inner + 1) / 2, at(m_onDark ? 0.4 : 0.55));
    gradient.setColorAt(1, at(0));
    painter.save();
    painter.setOpacity(opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    const QSizeF frame(kSize.width(), kSize.height() - 10);
    painter.drawRect(QRectF(centre - QPointF(frame.width() / 2, frame.height() / 2), frame));
    painter.restore();
}

void MilestoneBadgeView::paintEmbers(QPainter& painter) {
    const QPointF centre = QRectF(rect()).center();
    const QEasingCurve ease(QEasingCurve::OutCubic);
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < kEmbers; ++i) {
        qreal t = 0;
        if (m_elapsed) {
            const auto local = *m_elapsed - kEmberStagger * i;
            t = std::clamp<qreal>(static_cast<qreal>(local.count()) / kEmberRise.count(), 0, 1);
        }
        const qreal k = ease.valueForProgress(t);
        const qreal startY = kEmberStartDown;
        const qreal endY = -(kEmberRiseBase + kEmberRiseStep * (i % 4));
        const qreal y = startY + (endY - startY) * k;
        const qreal alpha = kEmberStartOpacity * (1 - k);
        if (alpha <= 0)
            continue;
        const qreal diameter = (i % 3) + 3;
        QColor colour = BadgeColors::ember();
        colour.setAlphaF(static_cast<float>(alpha));
        painter.setBrush(colour);
        painter.drawEllipse(centre + QPointF((i - 4) * kEmberSpacing, y), diameter / 2, diameter / 2);
    }
    painter.restore();
}

void MilestoneBadgeView::paintColumn(QPainter& painter, qreal scale, qreal opacity) {
    if (opacity <= 0)
        return;
    const QFont bigFont = headlineFont();
    const QFont smallFont = captionFont();
    const QFontMetricsF big(bigFont);
    const QFontMetricsF small(smallFont);
    const QString numberText = m_number ? QString::number(*m_number) + QLatin1Char(' ') : QString();
    const qreal headlineWidth = big.horizontalAdvance(numberText + m_headline);
    const qreal height = kMarkSide + kHeadlineGap + big.height() + kCaptionGap + small.height();
    const qreal top = (kSize.height() - height) / 2;
    const qreal midX = kSize.width() / 2.0;

    // The column is drawn into a layer so that its two halos follow its shape.
    const qreal dpr = devicePixelRatioF();
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
            QuorvaneMark::paint(mp, markArea, m_onDark);
            mp.end();
            QColor shadow(0, 0, 0);
            shadow.setAlphaF(m_onDark ? 0.55F : 0.24F);
            QImage drop = shadowOf(markLayer, static_cast<int>((m_onDark ? 9 : 5) * dpr), shadow);
            drop.setDevicePixelRatio(dpr);
            p.drawImage(QPointF(0, 3), drop);
            p.drawImage(QPointF(0, 0), markLayer);
        }
        const qreal headlineBaseline = top + kMarkSide + kHeadlineGap + big.ascent();
        qreal x = midX - headlineWidth / 2;
        p.setFont(bigFont);
        if (m_number) {
            p.setPen(BadgeColors::ember());
            p.drawText(QPointF(x, headlineBaseline), numberText);
            x += big.horizontalAdvance(numberText);
        }
        p.setPen(BadgeColors::headline(m_onDark));
        p.drawText(QPointF(x, headlineBaseline), m_headline);
        p.setFont(smallFont);
        p.setPen(BadgeColors::caption(m_onDark));
        const qreal captionTop = top + kMarkSide + kHeadlineGap + big.height() + kCaptionGap;
        const QRectF captionBox(0, captionTop, kSize.width(), small.height());
        p.drawText(captionBox, Qt::AlignHCenter | Qt::AlignTop, m_line);
    }
    QColor halo = m_onDark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    halo.setAlphaF(0.75F);
    QImage wide = shadowOf(layer, static_cast<int>(10 * dpr), halo);
    halo.setAlphaF(0.95F);
    QImage tight = shadowOf(layer, static_cast<int>(3 * dpr), halo);
    wide.setDevicePixelRatio(dpr);
    tight.setDevicePixelRatio(dpr);

    painter.save();
    painter.setOpacity(opacity);
    const QPointF centre(midX, kSize.height() / 2.0);
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    painter.drawImage(QPointF(0, 0), wide);
    painter.drawImage(QPointF(0, 0), tight);
    painter.drawImage(QPointF(0, 0), layer);
    painter.restore();
}
