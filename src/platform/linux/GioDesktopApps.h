#pragma once

#include "platform/DesktopApps.h"

// Installed applications from their desktop entries (GIO's GDesktopAppInfo);
// running ones are brought forward through the window manager (EWMH
// _NET_ACTIVE_WINDOW), or by raising and focusing their window when no window
// manager runs. GUI thread only.
class GioDesktopApps : public DesktopApps {
public:
    std::optional<App> find(const QString& identifier) override;
    QList<App> installed() override;
    bool launch(const QString& identifier) override;
    bool activate(qint64 pid) override;
};
