#include "reader/ReaderWordLabel.h"

#include <QPainter>

namespace {

// Two points across, one point down around the text.
const QMargins kPadding(2, 1, 2, 1);

} // namespace

ReaderWordLabel::ReaderWordLabel(const QString& text, const QSize& textSize, QWidget* parent)
    : QLabel(parent), m_ideal(textSize.grownBy(kPadding)) {
    // Format and padding before the text, so the text is laid out once.
    setTextFormat(Qt::PlainText);
    setContentsMargins(kPadding);
    setText(text);
}

QMargins ReaderWordLabel::padding() { return kPadding; }

void ReaderWordLabel::setLook(const QColor& ink, const std::optional<QColor>& highlight) {
    if (ink == m_ink && highlight == m_highlight)
        return;
    m_ink = ink;
    m_highlight = highlight;
    update();
}

void ReaderWordLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_highlight) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(*m_highlight);
        painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    }
    // The ink is drawn here rather than set in a palette per word.
    painter.setPen(m_ink);
    painter.drawText(contentsRect(), int(alignment()), text());
}
