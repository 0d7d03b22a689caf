#pragma once

#include <QList>
#include <QString>

#include <optional>

// The applications installed on the desktop, by their desktop-entry identifier
// ("org.gnome.TextEditor"). GUI thread only.
class DesktopApps {
public:
    struct App {
        QString identifier;
        QString name;
    };

    virtual ~DesktopApps() = default;

    // The installed application with this identifier (with or without ".desktop"); none when absent.
    virtual std::optional<App> find(const QString& identifier) = 0;
    // The applications a user would pick from, by name.
    virtual QList<App> installed() = 0;
    // Starts the application (or asks a running one to come forward); false when it could not.
    virtual bool launch(const QString& identifier) = 0;
    // Brings the windows of the running process `pid` to the front; false when it has none.
    virtual bool activate(qint64 pid) = 0;
};
