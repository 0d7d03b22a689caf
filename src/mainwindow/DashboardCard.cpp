#include "mainwindow/DashboardCard.h"

#include "looks/Surface.h"
#include "state/MainWindowPane.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr qreal kTintFill = 0.06;
constexpr qreal kTintStroke = 0.22;
constexpr qreal kPlainStroke = 0.06;
constexpr qreal kMaterialOpacity = 0.55;

} // namespace

QFont DashboardCard::font(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QLabel* DashboardCard::plainLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    return label;
}

QColor DashboardCard::faded(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

DashboardCard::DashboardCard(bool tinted, bool paper, Defaults& defaults, QWidget* parent)
    : QWidget(parent), m_tinted(tinted), m_paper(paper) {
    auto* content = new QWidget;
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(kRowSpacing);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(new Surface(content, paper, true, defaults));
}

void DashboardCard::paintEvent(QPaintEvent*) {
    if (m_paper)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill;
    QColor stroke;
    if (m_tinted) {
        fill = faded(MainWindowPanes::kOrange, kTintFill);
        stroke = faded(MainWindowPanes::kOrange, kTintStroke);
    } else {
        fill = faded(palette().color(QPalette::Base), kMaterialOpacity);
        stroke = faded(palette().color(QPalette::WindowText), kPlainStroke);
    }
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(area, kCornerRadius, kCornerRadius);
}
