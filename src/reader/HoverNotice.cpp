#include "reader/HoverNotice.h"

#include "reader/HoverHighlight.h"
#include "reader/HoverNoticeModel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

HoverNotice::HoverNotice(HoverNoticeModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&model, &HoverNoticeModel::readingChanged, this, qOverload<>(&QWidget::update));
}

QString HoverNotice::text() const { return m_model.reading() ? readingText() : offerText(); }

QFont HoverNotice::textFont() const {
    QFont font = this->font();
    font.setPixelSize(kFontPixels);
    font.setWeight(QFont::Medium);
    return font;
}

QRect HoverNotice::capsule() const { return capsule(size()); }

QRect HoverNotice::capsule(const QSize& area) const {
    const QFontMetrics metrics(textFont());
    const int contentHeight = std::max(kDotSize, metrics.height());
    const QSize size(kPaddingX + kDotSize + kSpacing + metrics.horizontalAdvance(text()) + kPaddingX,
                     kPaddingY + contentHeight + kPaddingY);
    QRect shape(QPoint(), size);
    shape.moveCenter(QRect(QPoint(), area).center());
    return shape;
}

void HoverNotice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = capsule();
    const qreal radius = shape.height() / 2;
    // A soft shadow below: rings fading outwards.
    for (int ring = kShadowRadius; ring >= 1; --ring) {
        QPainterPath halo;
        const QRectF grown = shape.adjusted(-ring, -ring, ring, ring).translated(0, kShadowOffsetY);
        halo.addRoundedRect(grown, radius + ring, radius + ring);
        QColor shade(Qt::black);
        shade.setAlphaF(float(kShadowOpacity / kShadowRadius * (1.0 - qreal(ring) / (kShadowRadius + 1))));
        painter.fillPath(halo, shade);
    }
    QPainterPath body;
    body.addRoundedRect(shape, radius, radius);
    painter.fillPath(body, fill());

    QColor dot = HoverHighlight::tint();
    dot.setAlphaF(m_model.reading() ? float(kReadingDotOpacity) : 1.0f);
    const QRectF dotRect(shape.left() + kPaddingX, shape.center().y() - kDotSize / 2.0, kDotSize, kDotSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    painter.drawEllipse(dotRect);

    painter.setFont(textFont());
    painter.setPen(Qt::white);
    const QRectF textRect(dotRect.right() + kSpacing, shape.top(),
                          shape.right() - kPaddingX - dotRect.right() - kSpacing, shape.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}
