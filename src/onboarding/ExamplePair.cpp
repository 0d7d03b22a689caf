#include "onboarding/ExamplePair.h"

#include "onboarding/OnbStyle.h"

#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// Wide enough for the longer label in the monospaced face at this size.
constexpr int kLabelWidth = 52;

QWidget* row(const QString& label, const QString& text, bool accent, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(10);
    auto* name = new QLabel(label.toUpper(), line);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(9);
    mono.setWeight(QFont::DemiBold);
    mono.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    name->setFont(mono);
    name->setFixedWidth(kLabelWidth);
    OnbStyle::setForeground(*name, OnbStyle::tertiary(parent->palette()));
    auto* words = new QLabel(text, line);
    words->setFont(OnbStyle::font(12.5));
    words->setWordWrap(true);
    OnbStyle::setForeground(*words,
                            accent ? OnbStyle::accentText(parent->palette()) : OnbStyle::primary(parent->palette()));
    layout->addWidget(name, 0, Qt::AlignTop);
    layout->addWidget(words, 1);
    return line;
}

} // namespace

ExamplePair::ExamplePair(const QString& said, const QString& typed, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(row(QStringLiteral("You say"), said, false, this));
    auto* divider = new QFrame(this);
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette p = divider->palette();
    p.setColor(QPalette::Window, OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.08F));
    divider->setPalette(p);
    layout->addWidget(divider);
    layout->addWidget(row(QStringLiteral("It types"), typed, true, this));
}

void ExamplePair::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.08F), 1));
    painter.setBrush(OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.05F));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
}
