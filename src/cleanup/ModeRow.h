#pragma once

#include "cleanup/DictationMode.h"

#include <QWidget>

#include <functional>

class ModeEditor;
class ModeStore;
class QLabel;
class QPushButton;

// One mode on the Modes page: its symbol, name and one-line summary; a click
// on the line opens or closes the mode's editor under it. GUI thread only.
class ModeRow : public QWidget {
    Q_OBJECT
public:
    // The installed application's name for an identifier; none when not installed.
    using AppName = std::function<std::optional<QString>(const QString& identifier)>;

    ModeRow(const DictationMode& mode, ModeStore& store, bool open, AppName appName, QWidget* parent = nullptr);

    // "Everywhere else · …" for the notes mode; else apps · polish [· full sentences].
    static QString summary(const DictationMode& mode, const AppName& appName);
    // The first three apps' names, then " +N" for the others.
    static QString appNames(const QStringList& identifiers, const AppName& appName);
    // An app's name: installed, else the table of well-known apps, else the
    // identifier's last piece capitalised.
    static QString appName(const QString& identifier, const AppName& installed);

    QPushButton* line() const { return m_line; }
    ModeEditor* editor() const { return m_editor; }

signals:
    void toggled(const QString& id);

private:
    QString m_id;
    QPushButton* m_line;
    QLabel* m_summary;
    ModeEditor* m_editor = nullptr;
};
