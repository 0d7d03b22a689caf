// The shared main of every test program: a temporary home for all files the
// program writes, a QApplication (offscreen unless a display is set), and fake
// platform services. Started by a desktop test as its target window or in
// another child role, the program plays that part instead of running tests.
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/ChildRole.h"
#include "support/Defaults.h"
#include "support/SharedInstance.h"
#include "translator/TranslationCatalog.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gmock/gmock.h>

#include <execinfo.h>
#include <unistd.h>

#include <csignal>

namespace {

// A test program that dies of a fault names where: the frames go to stderr,
// which the test run keeps, and the signal then ends the process as before.
void printFramesAndDie(int signal) {
    void* frames[64];
    const int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void traceFaults() {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    // The sanitizers report faults themselves.
    return;
#endif
#endif
    // Loaded now: backtrace() loads libgcc on first use, which is not safe
    // inside the handler.
    void* warm[1];
    backtrace(warm, 1);
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE})
        std::signal(signal, printFramesAndDie);
}

void pointHomeAt(const QString& root) {
    const QList<QPair<const char*, QString>> folders = {
        {"HOME", root},
        {"XDG_DATA_HOME", root + QStringLiteral("/.local/share")},
        {"XDG_CONFIG_HOME", root + QStringLiteral("/.config")},
        {"XDG_STATE_HOME", root + QStringLiteral("/.local/state")},
        {"XDG_CACHE_HOME", root + QStringLiteral("/.cache")},
    };
    for (const auto& [variable, path] : folders) {
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    }
}

// The services that free functions reach, as the program's root installs
// them; every other service a test makes itself. The action table is empty:
// a test that runs an action fills the entry it needs.
struct SharedServices {
    Defaults defaults{Defaults::standardFilePath()};
    SharedInstance<Defaults> sharedDefaults{defaults};
    AppState state;
    SharedInstance<AppState> sharedState{state};
    AppActions actions;
    SharedInstance<AppActions> sharedActions{actions};
    MlxServer speechServer;
    SharedInstance<MlxServer> sharedSpeechServer{speechServer};
    LlmServer cleanupServer;
    SharedInstance<LlmServer> sharedCleanupServer{cleanupServer};
    TranslationCatalog catalog{TranslationCatalog::Services::standard()};
    SharedInstance<TranslationCatalog> sharedCatalog{catalog};
};

} // namespace

int main(int argc, char* argv[]) {
    traceFaults();
    QTemporaryDir home;
    pointHomeAt(home.path());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    RenderCheck::watchSymbols();
    QApplication app(argc, argv);
    std::optional<SharedServices> shared;
    shared.emplace();
    if (const std::optional<TargetWindow::Kind> target = TargetWindow::requested())
        return TargetWindow::serve(*target == TargetWindow::Kind::Terminal);
    if (const std::optional<int> result = ChildRole::runRequested())
        return *result;
    FakePlatform fakes;
    Platform::install(fakes.services());

    testing::InitGoogleMock(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // Network managers made on first use go while the application still runs:
    // their HTTP threads then finish and free what a request in flight holds,
    // instead of leaving it behind at exit.
    qDeleteAll(app.findChildren<QNetworkAccessManager*>(Qt::FindDirectChildrenOnly));
    return status;
}
