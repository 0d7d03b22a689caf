#pragma once

#include "platform/DesktopApps.h"

#include <QHash>
#include <QStringList>

// Installed applications that tests list; launches and activations are recorded.
class FakeDesktopApps : public DesktopApps {
public:
    std::optional<App> find(const QString& identifier) override {
        for (const App& app : apps) {
            if (app.identifier == identifier)
                return app;
        }
        return std::nullopt;
    }
    QList<App> installed() override { return apps; }
    bool launch(const QString& identifier) override {
        launched.append(identifier);
        return launchSucceeds && find(identifier).has_value();
    }
    bool activate(qint64 pid) override {
        activated.append(pid);
        return true;
    }

    QList<App> apps;
    bool launchSucceeds = true;
    QStringList launched;
    QList<qint64> activated;
};
