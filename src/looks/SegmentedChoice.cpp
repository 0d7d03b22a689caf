#include "looks/SegmentedChoice.h"

#include <QHBoxLayout>
#include <QPushButton>

SegmentedChoice::SegmentedChoice(QWidget* parent) : QWidget(parent), m_line(new QHBoxLayout(this)) {
    m_line->setContentsMargins(0, 0, 0, 0);
    m_line->setSpacing(0);
    setStyleSheet(QStringLiteral(
        "QPushButton { border: 1px solid palette(mid); background: palette(button); color: palette(button-text);"
        " padding: 3px 10px; }"
        "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(highlight); }"));
}

void SegmentedChoice::addOption(const QString& label, const QString& value) {
    auto* button = new QPushButton(label, this);
    button->setCheckable(true);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, value] {
        select(value);
        emit chosen(value);
    });
    m_line->addWidget(button);
    m_buttons.append(button);
    m_values.append(value);
}

void SegmentedChoice::select(const QString& value) {
    for (qsizetype i = 0; i < m_buttons.size(); ++i)
        m_buttons.at(i)->setChecked(m_values.at(i) == value);
}
