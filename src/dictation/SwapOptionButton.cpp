#include "dictation/SwapOptionButton.h"

#include "dictation/BubbleStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kNumberSize = 9;
constexpr qreal kWordSize = 12;
constexpr int kPadX = 7;
constexpr int kPadY = 3;
constexpr int kGap = 4;
constexpr qreal kRadius = 6;
constexpr qreal kLightFill = 0.06;
constexpr qreal kDarkFill = 0.10;

QFont numberFont() { return BubbleStyle::font(kNumberSize, QFont::Bold); }
QFont wordFont() { return BubbleStyle::font(kWordSize, QFont::Medium); }
} // namespace

SwapOptionButton::SwapOptionButton(int number, const QString& word, bool light, QWidget* parent)
    : QAbstractButton(parent), m_number(number), m_word(word), m_light(light) {
    setText(word);
    setToolTip(word);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    resize(sizeHint());
}

QColor SwapOptionButton::chipFill(bool light) {
    return light ? BubbleStyle::withAlpha(Qt::black, kLightFill) : BubbleStyle::withAlpha(Qt::white, kDarkFill);
}

QSize SwapOptionButton::sizeHint() const {
    const QFontMetrics numbers(numberFont());
    const QFontMetrics words(wordFont());
    const int w =
        kPadX + numbers.horizontalAdvance(QString::number(m_number)) + kGap + words.horizontalAdvance(m_word) + kPadX;
    return {w, qMax(numbers.height(), words.height()) + 2 * kPadY};
}

void SwapOptionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath chip;
    chip.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    painter.fillPath(chip, chipFill(m_light));
    const QString number = QString::number(m_number);
    const QFontMetrics numbers(numberFont());
    painter.setFont(numberFont());
    painter.setPen(BubbleStyle::secondary(m_light));
    QRect numberBox(kPadX, 0, numbers.horizontalAdvance(number), height());
    painter.drawText(numberBox, Qt::AlignLeft | Qt::AlignVCenter, number);
    painter.setFont(wordFont());
    painter.setPen(BubbleStyle::primary(m_light));
    painter.drawText(QRect(numberBox.right() + 1 + kGap, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                     m_word);
}
