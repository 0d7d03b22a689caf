#pragma once

#include <QWidget>

class QPushButton;

// Two segments side by side, one of them chosen: "off" on the left, "on" on
// the right. `toggled` fires only when the user changes it.
class SegmentedSwitch : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 190;

    SegmentedSwitch(const QString& off, const QString& on, bool isOn, QWidget* parent = nullptr);

    bool isOn() const { return m_isOn; }
    QPushButton* onSegment() const { return m_on; }

signals:
    void toggled(bool on);

private:
    void choose(bool on);

    QPushButton* m_off;
    QPushButton* m_on;
    bool m_isOn;
};
