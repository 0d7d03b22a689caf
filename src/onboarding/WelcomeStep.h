#pragma once

#include <QWidget>

class Defaults;
class QLineEdit;

// The welcome page: the mark, what the program does, and the user's first
// name, stored under "userName" on every edit exactly as typed.
class WelcomeStep : public QWidget {
    Q_OBJECT
public:
    static inline const QString kNameKey = QStringLiteral("userName");
    WelcomeStep(Defaults& defaults, QWidget* parent = nullptr);
    QLineEdit* nameField() const { return m_name; }

private:
    QLineEdit* m_name = nullptr;
};
