#include "engine/SetupChildren.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <atomic>

#include <csignal>
#include <unistd.h>

namespace SetupChildren {

namespace {

// How long a killed child may take to be reaped.
constexpr int kKilledWaitMs = 2000;

std::atomic<bool> quitting{false};

void killGroup(QProcess& process) {
    if (const qint64 pid = process.processId(); pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
    process.waitForFinished(kKilledWaitMs);
}

} // namespace

bool start(QProcess& process, const QString& program, const QStringList& arguments,
           std::chrono::milliseconds deadline) {
    if (ending())
        return false;
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, arguments);
    if (!process.waitForStarted(int(deadline.count())))
        return false;
    // A quit that came while it started.
    if (ending()) {
        killGroup(process);
        return false;
    }
    return true;
}

bool waitFor(QProcess& process, std::chrono::milliseconds deadline, const std::function<void()>& onPoll) {
    const QDeadlineTimer remaining(deadline);
    while (process.state() != QProcess::NotRunning && !remaining.hasExpired() && !ending()) {
        if (onPoll) {
            process.waitForReadyRead(int(kPoll.count()));
            onPoll();
        } else {
            process.waitForFinished(int(kPoll.count()));
        }
    }
    if (process.state() == QProcess::NotRunning)
        return true;
    killGroup(process);
    if (onPoll)
        onPoll();
    return false;
}

void endAll() { quitting = true; }

bool ending() { return quitting; }

} // namespace SetupChildren
