#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class TranslationCatalog;

// "Add a language": picks a language not yet usable for dictation into the
// typing target and shows how to install its pair, and names the languages no
// pair package can add. Installing needs root and
// the program never runs it: "Add" opens a dialog with the exact command to
// copy. Closing the dialog, however it went, ends the request and forces a
// catalogue refresh, so an installed language leaves the list at once. GUI
// thread only.
class TranslationDownload : public QWidget {
    Q_OBJECT
public:
    struct Services {
        TranslationCatalog* catalog = nullptr;
        std::function<QString()> typeTarget;
        // Whether a package provides the pair (the translator's `Supported`).
        std::function<bool(const QString& source, const QString& target)> installable;
        // The command that installs the pair, or nothing.
        std::function<std::optional<QString>(const QString& source, const QString& target)> installCommand;
        // Shows how to install `code` with `command`; `closed` runs once when
        // the dialog has closed, however it went.
        std::function<void(QWidget* parent, const QString& code, const QString& command, std::function<void()> closed)>
            showDialog;

        static Services standard();
    };

    // The candidates a package can add for dictation into `target`, without
    // "en", `target` and the languages already in `sources`, by display name.
    static QStringList addable(const QStringList& sources, const QString& target,
                               const std::function<bool(const QString&, const QString&)>& installable);
    // The candidates no package can add for dictation into `target`: neither
    // ready nor addable, without "en" and `target`, by display name.
    static QStringList unpaired(const QStringList& sources, const QString& target,
                                const std::function<bool(const QString&, const QString&)>& installable);

    explicit TranslationDownload(Services services, QWidget* parent = nullptr);

    QStringList addable() const;
    QStringList unpaired() const;
    QString choice() const;
    void setChoice(const QString& code);
    bool working() const { return m_working; }
    // The "Add" button.
    void add();

private:
    void rebuild();
    void requestEnded();

    Services m_services;
    bool m_working = false;
    QComboBox* m_picker = nullptr;
    QPushButton* m_add = nullptr;
    QWidget* m_row = nullptr;
    QLabel* m_note = nullptr;
    QLabel* m_unpaired = nullptr;
};
