#include "onboarding/OnbStyle.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

namespace OnbStyle {

QFont font(qreal pixels, QFont::Weight weight) {
    QFont f = QApplication::font();
    f.setPixelSize(qRound(pixels));
    f.setWeight(weight);
    return f;
}

void setForeground(QWidget& widget, const QColor& color) {
    QPalette p = widget.palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::ButtonText, color);
    widget.setPalette(p);
}

QLabel* centredText(const QString& text, qreal pixels, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font(pixels));
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    setForeground(*label, color);
    return label;
}

} // namespace OnbStyle
