#include "mainwindow/HeroCard.h"

#include "looks/Appearance.h"
#include "looks/TextColours.h"
#include "looks/TrademarkedText.h"
#include "mainwindow/HeroText.h"
#include "state/MainWindowPane.h"
#include "stores/StatsStore.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QVBoxLayout>

namespace {

constexpr qreal kGlowOpacity = 0.85;
constexpr qreal kBorderOpacity = 0.22;
constexpr int kLineSpacing = 8;
constexpr int kSubheadlineSize = 15;

// A box blur of `radius` pixels in both directions, three times: close to a Gaussian.
void blur(QImage& image, int radius) {
    const int width = image.width();
    const int height = image.height();
    auto* pixels = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    QList<QRgb> line;
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const int lines = horizontal ? height : width;
            const int length = horizontal ? width : height;
            line.resize(length);
            for (int l = 0; l < lines; ++l) {
                const auto at = [&](int i) -> QRgb& {
                    return horizontal ? pixels[l * stride + i] : pixels[i * stride + l];
                };
                for (int i = 0; i < length; ++i)
                    line[i] = at(i);
                for (int i = 0; i < length; ++i) {
                    int sum[4] = {0, 0, 0, 0};
                    int count = 0;
                    for (int k = qMax(0, i - radius); k <= qMin(length - 1, i + radius); ++k, ++count) {
                        sum[0] += qAlpha(line[k]);
                        sum[1] += qRed(line[k]);
                        sum[2] += qGreen(line[k]);
                        sum[3] += qBlue(line[k]);
                    }
                    at(i) = qRgba(sum[1] / count, sum[2] / count, sum[3] / count, sum[0] / count);
                }
            }
        }
    }
}

} // namespace

const QImage& HeroCard::glowImage(qreal ratio) {
    // The same for every card: made once per screen density.
    static QImage glow;
    if (!glow.isNull() && qFuzzyCompare(glow.devicePixelRatio(), ratio))
        return glow;
    const qreal margin = kGlowBlur * 3;
    const qreal side = kGlowSide + 2 * margin;
    QImage made(QSize(qCeil(side * ratio), qCeil(side * ratio)), QImage::Format_ARGB32_Premultiplied);
    made.fill(Qt::transparent);
    {
        QPainter painter(&made);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        const QRectF disc(margin, margin, kGlowSide, kGlowSide);
        QRadialGradient fill(disc.center(), kGlowOuterRadius);
        fill.setColorAt(0, QColor::fromRgbF(1.0f, 0.71f, 0.36f));
        fill.setColorAt(kGlowInnerRadius / kGlowOuterRadius, QColor::fromRgbF(1.0f, 0.71f, 0.36f));
        fill.setColorAt(1, QColor::fromRgbF(1.0f, 0.42f, 0.24f));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(disc);
    }
    blur(made, qRound(kGlowBlur * ratio));
    made.setDevicePixelRatio(ratio);
    glow = made;
    return glow;
}

QLinearGradient HeroCard::gradient(bool dark, const QRectF& area) {
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    if (dark) {
        fill.setColorAt(0, QColor::fromRgbF(0.16f, 0.11f, 0.07f));
        fill.setColorAt(1, QColor::fromRgbF(0.23f, 0.14f, 0.09f));
    } else {
        fill.setColorAt(0, QColor::fromRgbF(0.99f, 0.91f, 0.84f));
        fill.setColorAt(1, QColor::fromRgbF(0.98f, 0.87f, 0.78f));
    }
    return fill;
}

HeroCard::HeroCard(StatsStore& stats, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_headline(new QLabel(this)), m_statistics(new QLabel(this)) {
    // The glow's layer is as high as the glow below its inset.
    setMinimumHeight(int(kGlowInset + kGlowSide));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kLineSpacing);
    QFont heavy;
    heavy.setPixelSize(int(kHeadlineSize));
    heavy.setWeight(QFont::Black);
    m_headline->setFont(heavy);
    m_headline->setWordWrap(true);
    m_headline->setTextFormat(Qt::RichText);
    QFont sub;
    sub.setPixelSize(kSubheadlineSize);
    m_statistics->setFont(sub);
    m_statistics->setTextFormat(Qt::PlainText);
    m_statistics->setWordWrap(true);
    column->addWidget(m_headline);
    column->addWidget(m_statistics);
    connect(&m_stats, &StatsStore::totalsChanged, this, &HeroCard::refresh);
    refresh();
}

void HeroCard::refresh() {
    const bool dark = Appearance::isDark();
    const QString saved = HeroText::timeSaved(m_stats.timeSavedSeconds());
    m_headline->setText(QStringLiteral("You've saved <span style=\"color:%1\">%2</span> with ")
                            .arg(TextColours::orange(palette()).name(), saved.toHtmlEscaped())
                        + TrademarkedText::html(QStringLiteral("Quorvane"), kHeadlineSize, QFont::DemiBold));
    m_statistics->setText(HeroText::heroSub(m_stats.totals().words, m_stats.speakingWPM()));
    QPalette text = palette();
    text.setColor(QPalette::WindowText, dark ? QColor(245, 240, 235) : QColor(28, 24, 20));
    m_headline->setPalette(text);
    text.setColor(QPalette::WindowText, dark ? QColor(200, 190, 180) : QColor(110, 100, 92));
    m_statistics->setPalette(text);
    update();
}

void HeroCard::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange)
        refresh();
    QWidget::changeEvent(event);
}

void HeroCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(area, kCornerRadius, kCornerRadius);
    painter.setClipPath(shape);
    painter.fillPath(shape, gradient(Appearance::isDark(), area));

    // The glow, inset from the top-right corner.
    const QImage& glow = glowImage(devicePixelRatioF());
    const qreal margin = kGlowBlur * 3;
    painter.setOpacity(kGlowOpacity);
    painter.drawImage(QPointF(area.right() - kGlowInset - kGlowSide - margin, area.top() + kGlowInset - margin), glow);
    painter.setOpacity(1);
    painter.setClipping(false);

    QColor border = MainWindowPanes::kOrange;
    border.setAlphaF(kBorderOpacity);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area, kCornerRadius, kCornerRadius);
}
