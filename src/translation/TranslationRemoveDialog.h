#pragma once

#include <QDialog>
#include <QList>

#include <functional>

class QComboBox;
class QLabel;

// The twin of the install dialog, for taking a language away: the ready
// languages to choose from, the package manager's command that removes the
// chosen one's pair, a button that copies it, and "Check Again", which looks at
// the installed pairs once more and closes the dialog when the language has
// gone. Removing needs root, so the program shows the command and never runs
// it. GUI thread only.
class TranslationRemoveDialog : public QDialog {
    Q_OBJECT
public:
    struct Language {
        QString code;
        QString name;
        QString command;
    };
    // `check` looks again and answers through its callback whether `code` has gone.
    using Check = std::function<void(const QString& code, std::function<void(bool gone)>)>;

    TranslationRemoveDialog(QList<Language> languages, Check check, QWidget* parent = nullptr);

    // The chosen language's code and command; empty without languages.
    QString choice() const;
    QString command() const;
    void choose(const QString& code);
    void copyCommand();
    void checkAgain();

private:
    void showCommand();

    QList<Language> m_languages;
    Check m_check;
    QComboBox* m_picker = nullptr;
    QLabel* m_command = nullptr;
    QLabel* m_status = nullptr;
};
