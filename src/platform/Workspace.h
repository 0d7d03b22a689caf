#pragma once

#include <QIcon>
#include <QString>

#include <optional>

// The running applications of the desktop.
class Workspace {
public:
    struct Application {
        // The application's display name; empty when it has none.
        QString name;
        // Its desktop-entry identifier or lower-cased window class; empty when unknown.
        QString identifier;
        QIcon icon;
        qint64 pid = 0;
    };

    virtual ~Workspace() = default;

    // The application of the active window, none when there is no such window.
    virtual std::optional<Application> frontmostApplication() = 0;
};
