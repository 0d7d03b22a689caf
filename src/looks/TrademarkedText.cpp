#include "looks/TrademarkedText.h"

#include <QFontMetricsF>
#include <QPainter>

QFont TrademarkedText::signFont(qreal size, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(qMax(1, qRound(size * kSignScale)));
    font.setWeight(weight);
    return font;
}

QString TrademarkedText::html(const QString& text, qreal size, QFont::Weight weight) {
    return text.toHtmlEscaped()
           + QStringLiteral("<span style=\"font-size:%1px; font-weight:%2; vertical-align:super\">")
                 .arg(qRound(size * kSignScale))
                 .arg(int(weight))
           + kSign + QStringLiteral("</span>");
}

TrademarkedText::TrademarkedText(const QString& text, const QFont& font, QFont::Weight signWeight, QWidget* parent)
    : QWidget(parent), m_text(text), m_sign(signFont(font.pixelSize(), signWeight)) {
    setFont(font);
    setAccessibleName(text + kSign);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TrademarkedText::sizeHint() const {
    const QFontMetricsF text(font());
    const QFontMetricsF sign(m_sign);
    const qreal width = text.horizontalAdvance(m_text) + sign.horizontalAdvance(kSign) + 1;
    const qreal top = qMax(text.ascent(), raise(font().pixelSize()) + sign.ascent());
    return QSize(qCeil(width), qCeil(top + text.descent()));
}

void TrademarkedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF text(font());
    const QFontMetricsF sign(m_sign);
    const qreal top = qMax(text.ascent(), raise(font().pixelSize()) + sign.ascent());
    const qreal baseline = top;
    painter.setFont(font());
    painter.drawText(QPointF(0, baseline), m_text);
    painter.setFont(m_sign);
    painter.drawText(QPointF(text.horizontalAdvance(m_text), baseline - raise(font().pixelSize())), kSign);
}
