#include "looks/SegmentedSwitch.h"

#include <QHBoxLayout>
#include <QPushButton>

SegmentedSwitch::SegmentedSwitch(const QString& off, const QString& on, bool isOn, QWidget* parent)
    : QWidget(parent), m_off(new QPushButton(off, this)), m_on(new QPushButton(on, this)), m_isOn(isOn) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (QPushButton* segment : {m_off, m_on}) {
        segment->setCheckable(true);
        segment->setAutoDefault(false);
        segment->setFocusPolicy(Qt::TabFocus);
        segment->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        row->addWidget(segment, 1);
    }
    setFixedWidth(kWidth);
    // The chosen segment in the accent colour, whatever the look.
    setStyleSheet(QStringLiteral(
        "QPushButton { border: 1px solid palette(mid); background: palette(button); color: palette(button-text);"
        " padding: 2px 6px; }"
        "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(highlight); }"));
    m_off->setStyleSheet(
        QStringLiteral("QPushButton { border-top-left-radius: 5px; border-bottom-left-radius: 5px; }"));
    m_on->setStyleSheet(
        QStringLiteral("QPushButton { border-top-right-radius: 5px; border-bottom-right-radius: 5px; }"));
    m_off->setChecked(!isOn);
    m_on->setChecked(isOn);
    connect(m_off, &QPushButton::clicked, this, [this] { choose(false); });
    connect(m_on, &QPushButton::clicked, this, [this] { choose(true); });
}

void SegmentedSwitch::choose(bool on) {
    m_off->setChecked(!on);
    m_on->setChecked(on);
    if (on == m_isOn)
        return;
    m_isOn = on;
    emit toggled(on);
}
