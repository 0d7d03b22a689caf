#include "app/AppDelegate.h"
#include "app/CrashTrace.h"
#include "app/ProgramQuit.h"
#include "app/ProgramRoot.h"
#include "app/QuitSignals.h"
#include "app/QuorvaneApp.h"
#include "app/SingleInstance.h"
#include "app/StallWatch.h"
#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/ProgramLifetime.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QThreadPool>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace {
Q_LOGGING_CATEGORY(lcApp, "quorvane.app")

// How long the exit waits for work still on the thread pool; the quit has
// ended the children that work waits for.
constexpr std::chrono::milliseconds kPoolWait{2000};
} // namespace

int main(int argc, char* argv[]) {
    // What this program and its children (the engine's servers, its set-up)
    // make is the user's alone; the writers also narrow what they find.
    ::umask(077);
    int status = 0;
    bool poolBusy = false;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Quorvane"));
        QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
        QApplication::setQuitOnLastWindowClosed(false);
        CrashTrace::install(MlxServer::logFolder(), QApplication::applicationVersion());

        // Documents given on the command line; a running program takes them over.
        const QStringList documents = QApplication::arguments().mid(1);
        SingleInstance instance;
        switch (instance.claim(documents)) {
        case SingleInstance::Claim::HandedOver:
            return 0;
        case SingleInstance::Claim::Failed:
            // Better a second program than none: this one runs, unreachable by later launches.
            qCWarning(lcApp) << "cannot listen for later launches:" << SingleInstance::defaultName();
            break;
        case SingleInstance::Claim::Running:
            break;
        }

        LinuxPlatform platform;
        Platform::install(platform.services());
        // The services, made before anything that uses them and gone before the
        // platform and the application object.
        ProgramRoot root;
        // Everything kept from first use ends here, newest first, before the root.
        ProgramLifetime::Scope lifetime;
        // The stall benchmark's watch, marked before the shutdown steps run.
        std::unique_ptr<StallWatch> stalls;
        if (const QString log = qEnvironmentVariable("QV_STALL_LOG"); !log.isEmpty())
            stalls = std::make_unique<StallWatch>(log);
        if (stalls)
            QObject::connect(&app, &QCoreApplication::aboutToQuit, stalls.get(),
                             [&stalls] { stalls->mark("quitting"); });

        QuorvaneApp scene(root.actions(), root.state());
        AppDelegate delegate(LaunchSteps::standard(root), root.defaults(), QProcessEnvironment::systemEnvironment());
        QObject::connect(&scene, &QuorvaneApp::quitRequested, &app, quitProgram);
        // A quit stops answering later launches first, and ends the speech server
        // while the event loop still turns.
        QuitPreparation quitPreparation([&delegate, &instance] {
            instance.close();
            return delegate.prepareToQuit();
        });
        QuitSignals signals_;
        QObject::connect(&signals_, &QuitSignals::quitRequested, &app, quitProgram);
        QObject::connect(&instance, &SingleInstance::reopened, &delegate, [&delegate](const QStringList& opened) {
            delegate.applicationShouldHandleReopen();
            delegate.openDocuments(opened);
        });
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate, &instance] {
            instance.close();
            delegate.applicationWillTerminate();
        });

        scene.show();
        delegate.applicationDidFinishLaunching();
        delegate.openDocuments(documents);

        status = QApplication::exec();
        poolBusy = !QThreadPool::globalInstance()->waitForDone(int(kPoolWait.count()));
        if (poolBusy)
            qCWarning(lcApp) << "work on the thread pool outlasted the quit; the program ends without it";
        if (stalls)
            stalls->mark("exit");
    }
    // The pool's own end would wait for that work without bound.
    if (poolBusy) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
