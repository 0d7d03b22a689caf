#pragma once

#include "cleanup/DictationMode.h"

#include <QWidget>

class ModeStore;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The fields of one mode: its name (user modes only), polish, numbers, the
// keep-every-word switch (while the polish is off), the closing period and
// the style instruction; Save hands the edited mode to the store, Delete
// (user modes only) removes it. Loads the mode's values when made. GUI thread only.
class ModeEditor : public QWidget {
    Q_OBJECT
public:
    ModeEditor(const DictationMode& mode, ModeStore& store, QWidget* parent = nullptr);

    // Writes the fields into the mode and hands it to the store.
    void save();

    QLineEdit* nameField() const { return m_name; }
    QButtonGroup* polish() const { return m_polish; }
    QButtonGroup* numbers() const { return m_numbers; }
    QCheckBox* keepEveryWord() const { return m_keep; }
    QCheckBox* endWithPeriod() const { return m_period; }
    QPlainTextEdit* instruction() const { return m_instruction; }
    QPushButton* deleteButton() const { return m_delete; }

private:
    void showKeep();

    DictationMode m_mode;
    ModeStore& m_store;
    QLineEdit* m_name = nullptr;
    QButtonGroup* m_polish;
    QButtonGroup* m_numbers;
    QWidget* m_keepBox;
    QCheckBox* m_keep;
    QLabel* m_keepHelp;
    QCheckBox* m_period;
    QPlainTextEdit* m_instruction;
    QPushButton* m_delete = nullptr;
};
