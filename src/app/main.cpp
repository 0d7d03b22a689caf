#include "app/AppState.h"
#include "app/Migration.h"
#include "dictation/SystemAudio.h"
#include "engine/EngineMigration.h"
#include "engine/MlxServer.h"
#include "engine/RetiredModels.h"
#include "insertion/DictionaryStore.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Bundle.h"
#include "support/Defaults.h"
#include "support/Paths.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QThreadPool>
#include <QtConcurrent>

#include <csignal>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    LinuxPlatform platform;
    Platform::install(platform.services());
    AppState::shared();
    // Unmutes the output if the last run ended while dictating; quitting restores too.
    SystemAudio::shared().restoreLeftover();

    DictionaryStore::shared().warmUp();
    std::signal(SIGPIPE, SIG_IGN);
    EngineMigration::run();
    (void)QtConcurrent::run([] {
        RetiredModels::run(RetiredModels::hubCache(QProcessEnvironment::systemEnvironment(), Paths::home()),
                           Defaults::shared());
    });
    Migration::runIfNeeded();

    // The speech server starts with the program when the engine is installed
    // and goes with it.
    if (QFileInfo::exists(MlxServer::interpreter())) {
        MlxServer::shared().ensureReady().then(&MlxServer::shared(), [](bool ready) {
            if (ready)
                (void)MlxServer::shared().warmUp();
        });
    }
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { MlxServer::shared().stop(); });

    QMenu menu;
    menu.addAction(QObject::tr("Quit Quorvane"), &app, &QApplication::quit);
    QSystemTrayIcon tray(QIcon(Bundle::resource(QStringLiteral("menubar.svg"))));
    tray.setToolTip(QStringLiteral("Quorvane"));
    tray.setContextMenu(&menu);
    tray.show();

    const int status = QApplication::exec();
    QThreadPool::globalInstance()->waitForDone();
    return status;
}
