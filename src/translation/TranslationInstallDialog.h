#pragma once

#include <QDialog>

#include <functional>

class QLabel;

// How to install one language pair: the exact command, a button that copies
// it, and "Check Again", which looks at the installed pairs once more and
// closes the dialog when the language has arrived. GUI thread only.
class TranslationInstallDialog : public QDialog {
    Q_OBJECT
public:
    // `check` looks again and answers through its callback whether the language is there now.
    TranslationInstallDialog(const QString& language, const QString& command,
                             std::function<void(std::function<void(bool installed)>)> check, QWidget* parent = nullptr);

    // The command as both dialogs show it: monospace on a faint plate, selectable.
    static QLabel* commandLabel(const QString& command, QWidget* parent);

    QString command() const { return m_command; }
    void copyCommand();
    void checkAgain();

private:
    QString m_command;
    std::function<void(std::function<void(bool)>)> m_check;
    QLabel* m_status = nullptr;
};
