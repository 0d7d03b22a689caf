#include "engine/StaleEngine.h"

#include "engine/ForeignListener.h"
#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/ProcessTable.h"
#include "platform/UserAccount.h"

#include <QDir>
#include <QThread>
#include <QtConcurrent>

#include <optional>

namespace StaleEngine {

namespace {

void sleepFor(std::chrono::milliseconds interval) { QThread::msleep(static_cast<unsigned long>(interval.count())); }

// Whether the listener remembered for `port` still holds it: the same process
// (its id alive with the same start time) still has the same listening socket.
// Costs a look at that one process, not a search of every process for the
// port's listener.
bool rememberedStillListens(const ProcessTable& processes, const ListenerVerdicts& verdicts, quint16 port,
                            const QString& root) {
    const std::optional<ListenerVerdicts::Listener> known = verdicts.remembered(port);
    return known && known->engineRoot == root && processes.startTime(known->pid) == known->startTime
           && processes.holds(known->pid, known->socket);
}

} // namespace

bool replaceIfStaleNow(ProcessTable& processes, quint16 port, const KeepTest& keep, const QString& engineRoot,
                       std::chrono::milliseconds checkInterval, ListenerVerdicts* verdicts) {
    // Another account's listener is not this program's to end, whatever it runs.
    if (const UserAccount* account = Platform::current().userAccount;
        account && ForeignListener::holds(processes, account->id(), port))
        return false;
    const QString root = QDir::cleanPath(engineRoot.isEmpty() ? MlxServer::engineRoot() : engineRoot);
    if (verdicts && rememberedStillListens(processes, *verdicts, port, root))
        return false;
    const std::optional<ProcessTable::Listener> holder = processes.listener(port);
    if (!holder)
        return true;
    const qint32 pid = holder->pid;
    const auto leave = [&] {
        if (const std::optional<quint64> started = processes.startTime(pid); verdicts && started)
            verdicts->remember(port, {holder->socket, pid, *started, root});
        return false;
    };

    const auto command = processes.commandLine(pid);
    if (!command)
        return leave();
    if (!command->startsWith(root + QStringLiteral("/mlx-venv/bin/python"))
        && !command->startsWith(root + QStringLiteral("/llm-venv/bin/python")))
        return leave();
    if (keep && keep(*command))
        return leave();

    if (verdicts)
        verdicts->forget(port);
    MlxServer::note(QStringLiteral("replacing an engine left from an earlier launch (pid %1)").arg(pid));
    processes.terminate(pid);
    for (int check = 0; check < kTerminationChecks; ++check) {
        sleepFor(checkInterval);
        if (!processes.isAlive(pid))
            return true;
    }
    processes.kill(pid);
    sleepFor(checkInterval * 2);
    return !processes.isAlive(pid);
}

QFuture<bool> replaceIfStale(quint16 port, KeepTest keep, QString engineRoot, std::chrono::milliseconds checkInterval,
                             std::shared_ptr<ListenerVerdicts> verdicts) {
    ProcessTable* processes = Platform::current().processTable;
    if (!processes)
        return QtFuture::makeReadyFuture(true);
    if (engineRoot.isEmpty())
        engineRoot = MlxServer::engineRoot();
    return QtConcurrent::run(
        [processes, port, keep = std::move(keep), engineRoot, checkInterval, verdicts = std::move(verdicts)] {
            return replaceIfStaleNow(*processes, port, keep, engineRoot, checkInterval, verdicts.get());
        });
}

} // namespace StaleEngine
