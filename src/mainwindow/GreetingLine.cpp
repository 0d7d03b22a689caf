#include "mainwindow/GreetingLine.h"

#include "looks/EmojiFont.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

namespace {

QLabel* plain(const QFont& font, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

} // namespace

GreetingLine::GreetingLine(const QFont& font, QWidget* parent)
    : QWidget(parent), m_words(plain(font, this)), m_symbol(plain(emojiFont(font), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(QFontMetrics(font).horizontalAdvance(QLatin1Char(' ')));
    row->addWidget(m_words);
    row->addWidget(m_symbol);
    row->addStretch(1);
}

void GreetingLine::setGreeting(const QString& words, const QString& symbol) {
    m_words->setText(words);
    m_symbol->setText(symbol);
}

QString GreetingLine::text() const { return m_words->text() + QLatin1Char(' ') + m_symbol->text(); }
