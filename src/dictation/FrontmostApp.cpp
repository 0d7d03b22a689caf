#include "dictation/FrontmostApp.h"

#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <QCoreApplication>

std::optional<FrontmostApp> FrontmostApp::current() {
    Workspace* workspace = Platform::current().workspace;
    if (!workspace)
        return std::nullopt;
    const std::optional<Workspace::Application> front = workspace->frontmostApplication();
    if (!front || front->pid == QCoreApplication::applicationPid())
        return std::nullopt;
    FrontmostApp app;
    app.name = front->name.isEmpty() ? QStringLiteral("App") : front->name;
    app.icon = front->icon;
    if (!front->identifier.isEmpty())
        app.bundleID = front->identifier;
    app.pid = front->pid;
    return app;
}
