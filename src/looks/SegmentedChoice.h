#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QHBoxLayout;

// A row of buttons that reads as one segmented control: each option has a
// stored value, and the button of the selected value is the checked one.
// `chosen` fires only on a click. GUI thread only.
class SegmentedChoice : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedChoice(QWidget* parent = nullptr);

    void addOption(const QString& label, const QString& value);
    // Checks the button of `value`; a value no option has checks none.
    void select(const QString& value);
    QList<QAbstractButton*> buttons() const { return m_buttons; }

signals:
    void chosen(const QString& value);

private:
    QHBoxLayout* m_line;
    QList<QAbstractButton*> m_buttons;
    QStringList m_values;
};
