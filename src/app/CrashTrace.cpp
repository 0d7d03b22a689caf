#include "app/CrashTrace.h"

#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CrashTrace {
namespace {

constexpr std::array kFatalSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Filled once at install; the handlers only read them.
char logPath[4096];
char versionText[64];
// A stack of its own, so that a handler also runs when the stack overflowed.
char handlerStack[64 * 1024];

// Appends to a fixed buffer without allocating; safe inside a signal handler.
struct Line {
    char text[256];
    size_t length = 0;

    void add(const char* part) {
        for (; *part && length < sizeof(text) - 1; ++part)
            text[length++] = *part;
    }
    void add(unsigned long number) {
        char digits[24];
        size_t count = 0;
        do {
            digits[count++] = char('0' + number % 10);
            number /= 10;
        } while (number && count < sizeof(digits));
        while (count && length < sizeof(text) - 1)
            text[length++] = digits[--count];
    }
};

const char* signalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

void writeLine(const char* what, int signal) {
    Line line;
    line.add(static_cast<unsigned long>(::time(nullptr)));
    line.add(" Quorvane ");
    line.add(versionText);
    line.add(" ended by ");
    line.add(what);
    if (signal > 0) {
        line.add(" ");
        line.add(static_cast<unsigned long>(signal));
        line.add(" (");
        line.add(signalName(signal));
        line.add(")");
    }
    line.add("\n");
    const int file = ::open(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (file < 0)
        return;
    // A log an earlier version left open to others is narrowed (safe in a handler).
    ::fchmod(file, 0600);
    [[maybe_unused]] const ssize_t written = ::write(file, line.text, line.length);
    ::close(file);
}

void onFatalSignal(int signal) {
    writeLine("signal", signal);
    // The handler was reset on entry: the signal now does what it would have.
    ::raise(signal);
}

void onTerminate() {
    writeLine("an uncaught exception", 0);
    ::signal(SIGABRT, SIG_DFL);
    std::abort();
}

void copyInto(char* target, size_t size, const QByteArray& text) {
    const size_t length = std::min(size - 1, size_t(text.size()));
    std::memcpy(target, text.constData(), length);
    target[length] = '\0';
}

} // namespace

void install(const QString& folder, const QString& version) {
    PrivateFiles::makeFolder(folder);
    copyInto(logPath, sizeof(logPath), QFile::encodeName(QDir(folder).filePath(QString::fromLatin1(kFileName))));
    copyInto(versionText, sizeof(versionText), version.toUtf8());

    stack_t stack{};
    stack.ss_sp = handlerStack;
    stack.ss_size = sizeof(handlerStack);
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    for (const int signal : kFatalSignals)
        ::sigaction(signal, &action, nullptr);
    std::set_terminate(onTerminate);
}

} // namespace CrashTrace
