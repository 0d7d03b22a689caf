// The shared main of every test program: a temporary home for all files the
// program writes, a QApplication (offscreen unless a display is set), and fake
// platform services. Started by a desktop test as its target window or in
// another child role, the program plays that part instead of running tests.
#include "support/ChildRole.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/SharedServices.h"
#include "support/TargetWindow.h"

#include <QApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gmock/gmock.h>

#include <execinfo.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace {

// A test program that dies of a fault names where: the frames go to stderr,
// which the test run keeps, and the signal then ends the process as before.
void printFramesAndDie(int signal) {
    // Said first: unwinding a broken stack may fault again.
    static constexpr char kFault[] = "fatal signal in the test program; its frames:\n";
    [[maybe_unused]] const ssize_t said = write(STDERR_FILENO, kFault, sizeof kFault - 1);
    void* frames[64];
    const int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, STDERR_FILENO);
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
    // On a stack of its own, so that a stack overflow is reported too.
    static std::array<char, 256 * 1024> handlerStack;
    stack_t stack{};
    stack.ss_sp = handlerStack.data();
    stack.ss_size = handlerStack.size();
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = printFramesAndDie;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE})
        sigaction(signal, &action, nullptr);
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
