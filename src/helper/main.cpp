// quorvane-helper: one sub-command per run (see HelperProgram.h).
#include "helper/HelperProgram.h"

#include "platform/Platform.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/LinuxOnDeviceModel.h"
#include "platform/linux/X11Hotkeys.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSet>

#include <memory>

namespace {

// Screen text and keys need an X display; under Wayland neither is offered,
// and the commands then fail at once.
bool hasX11Desktop() {
    return !qEnvironmentVariableIsEmpty("DISPLAY")
           && qEnvironmentVariable("XDG_SESSION_TYPE").compare(QStringLiteral("wayland"), Qt::CaseInsensitive) != 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Standard error carries the commands' own answers; the platform's notes stay out of it.
    QLoggingCategory::setFilterRules(QStringLiteral("quorvane.*=false"));
    LinuxOnDeviceModel model;
    Platform services;
    services.onDeviceModel = &model;

    static const QSet<QString> desktopCommands = {QStringLiteral("caret"), QStringLiteral("sel-get"),
                                                  QStringLiteral("sel-set"), QStringLiteral("key-watch")};
    std::unique_ptr<QCoreApplication> application;
    std::unique_ptr<EwmhWorkspace> workspace;
    std::unique_ptr<AtspiAccessibility> accessibility;
    std::unique_ptr<X11Hotkeys> hotkeys;
    if (argc > 1 && desktopCommands.contains(QString::fromLocal8Bit(argv[1])) && hasX11Desktop()) {
        application = std::make_unique<QCoreApplication>(argc, argv);
        workspace = std::make_unique<EwmhWorkspace>();
        // The helper asks once and answers no window meanwhile: its walk for the focus runs whole.
        accessibility = std::make_unique<AtspiAccessibility>(workspace.get(), QDBusConnection::sessionBus(),
                                                             AtspiAccessibility::kWholeWalk);
        hotkeys = std::make_unique<X11Hotkeys>();
        services.workspace = workspace.get();
        services.accessibility = accessibility.get();
        services.hotkeys = hotkeys.get();
    }
    Platform::install(services);
    return Helper::runProcess(argc, argv);
}
