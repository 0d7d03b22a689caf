#pragma once

#include <QIcon>
#include <QString>

#include <optional>

class QWindow;

// The running applications of the desktop, and our own windows' place in its
// taskbar. GUI thread only.
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

    // Whether one of our windows has an entry in the desktop's taskbar. Made
    // for a hidden window, the choice applies when it shows; a window manager
    // may forget it when the window hides, so callers make it again before each
    // show. Does nothing for a window without its native window yet, or where
    // the desktop offers no such choice.
    virtual void setShownInTaskbar(QWindow& window, bool shown) = 0;
};
