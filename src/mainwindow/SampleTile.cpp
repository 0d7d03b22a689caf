#include "mainwindow/SampleTile.h"

#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {

constexpr qreal kSymbolSize = 10.5;
constexpr int kLabelSpacing = 4;
constexpr qreal kLabelSize = 11.5;

} // namespace

SampleTile::SampleTile(const QString& label, int height, SampleScene scene, QWidget* parent)
    : QAbstractButton(parent), m_height(height), m_scene(std::move(scene)), m_animation(new QVariantAnimation(this)) {
    setText(label);
    setCheckable(true);
    setAccessibleName(label);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_animation->setDuration(int(kHoverAnimation.count()));
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_scale = value.toReal();
        update();
    });
}

void SampleTile::setSelected(bool selected) {
    if (selected == isChecked())
        return;
    setChecked(selected);
    animateTo(targetScale());
}

void SampleTile::setScene(SampleScene scene) {
    m_scene = std::move(scene);
    update();
}

qreal SampleTile::targetScale() const { return m_hovering && !isChecked() ? kHoverScale : 1.0; }

QSize SampleTile::sizeHint() const { return {kMinimumWidth, m_height + kSpacing + kLabelHeight}; }

QSize SampleTile::minimumSizeHint() const { return {60, m_height + kSpacing + kLabelHeight}; }

void SampleTile::nextCheckState() {
    // The owner decides the selection from the stored value.
}

void SampleTile::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setHovering(true);
}

void SampleTile::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setHovering(false);
}

void SampleTile::setHovering(bool hovering) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    animateTo(targetScale());
}

void SampleTile::animateTo(qreal scale) {
    m_animation->stop();
    if (qFuzzyCompare(scale, m_scale))
        return;
    m_animation->setStartValue(m_scale);
    m_animation->setEndValue(scale);
    m_animation->start();
}

void SampleTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF sample(0.5, 0.5, width() - 1.0, m_height - 1.0);

    painter.save();
    const QPointF centre = sample.center();
    painter.translate(centre);
    painter.scale(m_scale, m_scale);
    painter.translate(-centre);
    QPainterPath shape;
    shape.addRoundedRect(sample, kRadius, kRadius);
    painter.save();
    painter.setClipPath(shape);
    if (m_scene)
        m_scene(painter, sample, colors);
    painter.restore();
    // The ring, stroked inside the border.
    const qreal line = isChecked() ? 2.0 : 1.0;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(isChecked() ? colors.color(QPalette::Highlight) : SampleScenes::primary(colors, 0.10), line));
    const QRectF ring = sample.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.drawRoundedRect(ring, kRadius - line / 2, kRadius - line / 2);
    painter.restore();

    // The label row, centred under the picture.
    const QFont font = SampleScenes::font(kLabelSize, isChecked() ? QFont::DemiBold : QFont::Normal);
    const int textWidth = QFontMetrics(font).horizontalAdvance(text());
    const int symbol = qRound(kSymbolSize);
    const int rowWidth = symbol + kLabelSpacing + textWidth;
    const int top = m_height + kSpacing;
    int x = std::max(0, (width() - rowWidth) / 2);
    const QColor symbolColor =
        isChecked() ? colors.color(QPalette::Highlight) : SampleScenes::primary(colors, 0.5 * 0.55);
    const QPixmap mark =
        TintedSymbol::pixmap(isChecked() ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"), symbol,
                             symbolColor, devicePixelRatioF());
    painter.drawPixmap(QPointF(x, top + (kLabelHeight - symbol) / 2.0), mark);
    x += symbol + kLabelSpacing;
    painter.setFont(font);
    painter.setPen(isChecked() ? colors.color(QPalette::WindowText)
                               : SampleScenes::primary(colors, TextColours::kSecondary));
    painter.drawText(QRect(x, top, width() - x, kLabelHeight), Qt::AlignLeft | Qt::AlignVCenter, text());
}
