#pragma once

#include "platform/Workspace.h"

#include <QHash>

// The frontmost application from the window manager's active window
// (_NET_ACTIVE_WINDOW), or from the input focus where no window manager runs;
// its process, class and desktop entry give the rest. Our windows leave the
// taskbar with the _NET_WM_STATE_SKIP_TASKBAR state.
class EwmhWorkspace : public Workspace {
public:
    std::optional<Application> frontmostApplication() override;
    // Asks the window manager for a shown window, and sets the state itself on a
    // window not yet shown (or where no window manager keeps it).
    void setShownInTaskbar(QWindow& window, bool shown) override;

    // A desktop entry's fields that name an application.
    struct DesktopEntry {
        QString id;
        QString name;
        QString icon;
        QString startupWMClass;
    };
    // The desktop entries of the XDG data folders, by identifier.
    static QHash<QString, DesktopEntry> scanDesktopEntries();
    static std::optional<DesktopEntry> parseDesktopEntry(const QString& path, const QString& id);
    // The identifier and entry for a window with these properties (D4 order:
    // application id, an entry whose StartupWMClass matches, the class lower-cased).
    static std::pair<QString, std::optional<DesktopEntry>> identify(const QHash<QString, DesktopEntry>& entries,
                                                                    const QString& applicationId,
                                                                    const QString& instance, const QString& cls);

private:
    QHash<QString, DesktopEntry> m_entries;
    bool m_scanned = false;
    // The last window asked about and what it was found to be: a window keeps
    // its class and process, so only a new window, or a window id taken over
    // by another process, is looked up again.
    struct Known {
        unsigned long window = 0;
        Application application;
    };
    std::optional<Known> m_last;
};
