#include "reader/VoiceCard.h"

#include "looks/PixelFont.h"
#include "looks/Symbols.h"
#include "looks/TextColours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <chrono>
#include <cmath>

namespace {

constexpr double kInsetX = 11;
constexpr double kInsetY = 10;
constexpr double kRowSpacing = 7;
constexpr double kGlyphFrame = 22;
constexpr double kGlyphSize = 13;
constexpr double kFigureSize = 10;
constexpr double kFigureGap = 7;
constexpr double kSpeakerSize = 10;
constexpr double kPlaySize = 9;
constexpr double kNameSize = 13;
constexpr double kNameGap = 4;
constexpr double kCheckSize = 10;
constexpr double kSubtitleSize = 10.5;
constexpr double kLineSpacing = 1;
constexpr double kChosenCircle = 0.14;
constexpr double kPlainCircle = 0.06;
constexpr double kHoverFill = 0.06;
constexpr double kRestFill = 0.035;
constexpr double kPlainBorderAlpha = 0.08;
constexpr double kFigureAlpha = 0.75;
constexpr double kPlayAlpha = 0.65;
constexpr double kSecondaryAlpha = TextColours::kSecondary;
constexpr double kPulseLowest = 0.35;
constexpr std::chrono::milliseconds kPulsePeriod{1000};

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

// Draws symbol `name` in `color`, `size` points square, centred on `center`.
void drawSymbol(QPainter& painter, const QString& name, QPointF center, double size, const QColor& color) {
    const QIcon icon = Symbols::icon(name);
    if (icon.isNull())
        return;
    const qreal ratio = painter.device()->devicePixelRatioF();
    const int pixels = int(std::ceil(size * ratio));
    QImage image = icon.pixmap(QSize(pixels, pixels)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter tint(&image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), color);
    tint.end();
    painter.drawImage(QRectF(center.x() - size / 2, center.y() - size / 2, size, size), image);
}

} // namespace

VoiceCard::VoiceCard(KokoroVoice voice, QWidget* parent) : QWidget(parent), m_voice(std::move(voice)) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_pulse = new QVariantAnimation(this);
    m_pulse->setStartValue(1.0);
    m_pulse->setKeyValueAt(0.5, kPulseLowest);
    m_pulse->setEndValue(1.0);
    m_pulse->setDuration(int(kPulsePeriod.count()));
    m_pulse->setLoopCount(-1);
    connect(m_pulse, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_pulseOpacity = value.toDouble();
        update();
    });
    refresh();
}

QSize VoiceCard::sizeHint() const {
    const QFontMetricsF name(pixelFont(kNameSize, QFont::DemiBold, font()));
    const QFontMetricsF subtitle(pixelFont(kSubtitleSize, QFont::Normal, font()));
    const double height =
        kInsetY + kGlyphFrame + kRowSpacing + name.height() + kLineSpacing + subtitle.height() + kInsetY;
    return QSize(kMinimumWidth + 2 * kMargin, int(std::ceil(height)) + 2 * kMargin);
}

QSize VoiceCard::minimumSizeHint() const { return sizeHint(); }

QRectF VoiceCard::face() const { return QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin); }

void VoiceCard::setChosen(bool chosen) {
    if (m_chosen != chosen) {
        m_chosen = chosen;
        refresh();
    }
}

void VoiceCard::setPlaying(bool playing) {
    if (m_playing == playing)
        return;
    m_playing = playing;
    if (playing) {
        m_pulse->start();
    } else {
        m_pulse->stop();
        m_pulseOpacity = 1;
    }
    refresh();
}

bool VoiceCard::isPulsing() const { return m_pulse->state() == QAbstractAnimation::Running; }

void VoiceCard::setIsCursor(bool cursor) {
    if (m_cursor != cursor) {
        m_cursor = cursor;
        update();
    }
}

void VoiceCard::setHovering(bool hovering) {
    if (m_hovering != hovering) {
        m_hovering = hovering;
        update();
    }
}

void VoiceCard::refresh() {
    setToolTip(helpTag());
    update();
}

QString VoiceCard::subtitle(const KokoroVoice& voice, bool chosen, bool playing) {
    if (playing)
        return QStringLiteral("playing\u2026");
    if (chosen)
        return QStringLiteral("your voice");
    const QString flavor = voice.shortFlavor();
    if (!flavor.isEmpty())
        return flavor;
    return voice.flavor.contains(QStringLiteral("(default)")) ? QStringLiteral("default")
                                                              : QStringLiteral("click to hear");
}

QString VoiceCard::figure(const KokoroVoice& voice) {
    return voice.id.size() > 1 && voice.id[1] == u'f' ? QStringLiteral("figure.stand.dress")
                                                      : QStringLiteral("figure.stand");
}

QString VoiceCard::figureTag(const KokoroVoice& voice) {
    return voice.id.size() > 1 && voice.id[1] == u'f' ? QStringLiteral("Female") : QStringLiteral("Male");
}

QString VoiceCard::helpTag() const {
    return m_chosen ? QStringLiteral("Your reading voice") : QStringLiteral("Click to hear ") + m_voice.name;
}

QString VoiceCard::accessibleLabel() const { return m_voice.name + QStringLiteral(", ") + m_voice.flavor; }

QString VoiceCard::accessibleValue() const { return m_playing ? QStringLiteral("playing") : QString(); }

QString VoiceCard::accessibleHint() const {
    // Pressing the chosen voice while it is quiet plays its sample again.
    if (m_chosen)
        return QStringLiteral("Press to hear this voice again");
    if (m_playing)
        return QStringLiteral("Press again to make this your reading voice");
    return QStringLiteral("Press to hear this voice, then press again to choose it");
}

void VoiceCard::enterEvent(QEnterEvent*) { setHovering(true); }
void VoiceCard::leaveEvent(QEvent*) { setHovering(false); }

void VoiceCard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && face().contains(event->position()))
        emit pressed();
}

void VoiceCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor primary = palette().color(QPalette::WindowText);
    const QColor secondary = withAlpha(primary, kSecondaryAlpha);
    const QRectF box = face();

    QPainterPath shape;
    shape.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.fillPath(shape, withAlpha(primary, m_hovering ? kHoverFill : kRestFill));
    const double border = m_chosen ? kChosenBorder : kPlainBorder;
    const double half = border / 2;
    painter.setPen(QPen(m_chosen ? accent : withAlpha(primary, kPlainBorderAlpha), border));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(half, half, -half, -half), kCornerRadius - half, kCornerRadius - half);

    // Top row: symbol on its circle, then the figure and the play indicator at the trailing edge.
    const QRectF content = box.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const QRectF circle(content.left(), content.top(), kGlyphFrame, kGlyphFrame);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_chosen ? withAlpha(accent, kChosenCircle) : withAlpha(primary, kPlainCircle));
    painter.drawEllipse(circle);
    drawSymbol(painter, m_voice.glyph(), circle.center(), kGlyphSize, m_chosen ? accent : secondary);

    const double rowMiddle = circle.center().y();
    const double indicatorSize = m_playing ? kSpeakerSize : kPlaySize;
    const double indicatorCenter = content.right() - kSpeakerSize / 2;
    painter.setOpacity(m_playing ? m_pulseOpacity : 1.0);
    drawSymbol(painter, m_playing ? QStringLiteral("speaker.wave.2.fill") : QStringLiteral("play.fill"),
               QPointF(indicatorCenter, rowMiddle), indicatorSize,
               m_playing ? accent : withAlpha(secondary, kPlayAlpha));
    painter.setOpacity(1.0);
    const double figureCenter = content.right() - kSpeakerSize - kFigureGap - kFigureSize / 2;
    drawSymbol(painter, figure(m_voice), QPointF(figureCenter, rowMiddle), kFigureSize,
               withAlpha(secondary, kFigureAlpha));

    // Second row: name (and the checkmark of the chosen voice), then the subtitle.
    const QFont nameFont = pixelFont(kNameSize, QFont::DemiBold, font());
    const QFontMetricsF nameMetrics(nameFont);
    const double nameTop = circle.bottom() + kRowSpacing;
    painter.setFont(nameFont);
    painter.setPen(primary);
    const QString name = nameMetrics.elidedText(m_voice.name, Qt::ElideRight, content.width() - kNameGap - kCheckSize);
    painter.drawText(QRectF(content.left(), nameTop, content.width(), nameMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
    if (m_chosen) {
        const double x = content.left() + nameMetrics.horizontalAdvance(name) + kNameGap + kCheckSize / 2;
        drawSymbol(painter, QStringLiteral("checkmark.circle.fill"), QPointF(x, nameTop + nameMetrics.height() / 2),
                   kCheckSize, accent);
    }
    const QFont subtitleFont = pixelFont(kSubtitleSize, QFont::Normal, font());
    const QFontMetricsF subtitleMetrics(subtitleFont);
    painter.setFont(subtitleFont);
    painter.setPen(secondary);
    painter.drawText(QRectF(content.left(), nameTop + nameMetrics.height() + kLineSpacing, content.width(),
                            subtitleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     subtitleMetrics.elidedText(subtitle(), Qt::ElideRight, content.width()));

    if (m_cursor) {
        const QRectF ring = box.adjusted(-kRingWidth, -kRingWidth, kRingWidth, kRingWidth);
        const double ringHalf = kRingWidth / 2;
        painter.setPen(QPen(accent, kRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring.adjusted(ringHalf, ringHalf, -ringHalf, -ringHalf), kRingRadius - ringHalf,
                                kRingRadius - ringHalf);
    }
}
