#include "engine/StaleEngine.h"

#include "engine/MlxServer.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QThread>
#include <QtConcurrent>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include <csignal>
#include <dirent.h>
#include <unistd.h>

namespace StaleEngine {

namespace {

constexpr char kListenState[] = "0A";
constexpr int kTerminationChecks = 20;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// The whole of a small /proc file; empty when it cannot be read.
QByteArray readProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    // /proc files report size 0: read until the end.
    return file.readAll();
}

// The listening sockets on `port` in one table of /proc/net.
void collectListening(const QString& table, quint16 port, QList<quint64>& sockets) {
    const QByteArray text = readProcFile(table);
    const QList<QByteArray> lines = text.split('\n');
    // "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode ..."
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 10 || fields[3] != kListenState)
            continue;
        const QByteArray& local = fields[1];
        bool ok = false;
        const uint localPort = local.mid(local.lastIndexOf(':') + 1).toUInt(&ok, 16);
        if (!ok || localPort != port)
            continue;
        const quint64 inode = fields[9].toULongLong(&ok);
        if (ok && inode != 0 && !sockets.contains(inode))
            sockets.append(inode);
    }
}

// A process directory name: a positive decimal process id.
std::optional<qint32> processId(const char* name) {
    if (*name < '1' || *name > '9')
        return std::nullopt;
    char* end = nullptr;
    const long value = std::strtol(name, &end, 10);
    if (*end != '\0' || value <= 0 || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

// The socket inode a descriptor link "socket:[12345]" names, else 0.
quint64 socketOf(const char* link, ssize_t length) {
    constexpr char prefix[] = "socket:[";
    constexpr size_t prefixLength = sizeof(prefix) - 1;
    if (length <= ssize_t(prefixLength) + 1 || std::memcmp(link, prefix, prefixLength) != 0 || link[length - 1] != ']')
        return 0;
    return QByteArray(link + prefixLength, qsizetype(length - prefixLength - 1)).toULongLong();
}

struct Holder {
    qint32 pid = 0;
    quint64 socket = 0;
};

// Whether process `pid` holds one of `sockets`; which one.
std::optional<quint64> heldBy(qint32 pid, const QList<quint64>& sockets) {
    const QByteArray folder = "/proc/" + QByteArray::number(pid) + "/fd";
    const DirHandle descriptors(::opendir(folder.constData()));
    if (!descriptors)
        return std::nullopt; // gone, or another user's
    const int folderFd = ::dirfd(descriptors.get());
    char link[64];
    while (const dirent* entry = ::readdir(descriptors.get())) {
        if (entry->d_name[0] == '.')
            continue;
        const ssize_t length = ::readlinkat(folderFd, entry->d_name, link, sizeof link);
        if (length <= 0 || length == ssize_t(sizeof link))
            continue;
        const quint64 inode = socketOf(link, length);
        if (inode != 0 && sockets.contains(inode))
            return inode;
    }
    return std::nullopt;
}

// The lowest process id holding one of `sockets`, and the socket it holds.
std::optional<Holder> holderOf(const QList<quint64>& sockets) {
    if (sockets.isEmpty())
        return std::nullopt;
    const DirHandle processes(::opendir("/proc"));
    if (!processes)
        return std::nullopt;
    std::optional<Holder> lowest;
    while (const dirent* entry = ::readdir(processes.get())) {
        const std::optional<qint32> pid = processId(entry->d_name);
        if (!pid || (lowest && *pid > lowest->pid))
            continue;
        if (const std::optional<quint64> socket = heldBy(*pid, sockets))
            lowest = Holder{*pid, *socket};
    }
    return lowest;
}

// The fields of /proc/<pid>/stat after the command name: [0] is the state
// (field 3), [19] the start time (field 22). Empty when the process is gone.
QList<QByteArray> statFields(qint32 pid) {
    const QByteArray line = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype afterName = line.lastIndexOf(')');
    if (afterName < 0)
        return {};
    return line.mid(afterName + 2).trimmed().split(' ');
}

// A process that has ended but not yet been collected by its parent (a
// zombie) counts as gone: it holds no port and can do nothing more.
bool alive(qint32 pid) {
    if (::kill(pid, 0) != 0)
        return false;
    const QList<QByteArray> fields = statFields(pid);
    return fields.isEmpty() || fields[0] != "Z";
}

void sleepFor(std::chrono::milliseconds interval) { QThread::msleep(static_cast<unsigned long>(interval.count())); }

// Whether the listener remembered for `port` still holds it: the same process
// (its id alive with the same start time) still has the same listening socket.
// Costs a look at that one process, not at the kernel's socket tables, whose
// reading walks every hash bucket.
bool rememberedStillListens(const ListenerVerdicts& verdicts, quint16 port, const QString& root) {
    const std::optional<ListenerVerdicts::Listener> known = verdicts.remembered(port);
    return known && known->engineRoot == root && startTime(known->pid) == known->startTime
           && heldBy(known->pid, {known->socket}).has_value();
}

} // namespace

QList<quint64> listeningSockets(quint16 port) {
    QList<quint64> sockets;
    collectListening(QStringLiteral("/proc/net/tcp"), port, sockets);
    collectListening(QStringLiteral("/proc/net/tcp6"), port, sockets);
    return sockets;
}

std::optional<qint32> listener(quint16 port) {
    const std::optional<Holder> holder = holderOf(listeningSockets(port));
    if (!holder)
        return std::nullopt;
    return holder->pid;
}

std::optional<QString> commandLine(qint32 pid) {
    QByteArray arguments = readProcFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
    arguments.replace('\0', ' ');
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = QString(utf8.decode(arguments)).trimmed();
    if (utf8.hasError() || text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<quint64> startTime(qint32 pid) {
    const QList<QByteArray> fields = statFields(pid);
    bool ok = false;
    const quint64 ticks = fields.value(19).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ticks;
}

bool replaceIfStaleNow(quint16 port, const KeepTest& keep, const QString& engineRoot,
                       std::chrono::milliseconds checkInterval, ListenerVerdicts* verdicts) {
    const QString root = QDir::cleanPath(engineRoot.isEmpty() ? MlxServer::engineRoot() : engineRoot);
    if (verdicts && rememberedStillListens(*verdicts, port, root))
        return false;
    const QList<quint64> sockets = listeningSockets(port);
    if (sockets.isEmpty())
        return true;
    const std::optional<Holder> holder = holderOf(sockets);
    if (!holder)
        return true;
    const qint32 pid = holder->pid;
    const auto leave = [&] {
        if (const std::optional<quint64> started = startTime(pid); verdicts && started)
            verdicts->remember(port, {holder->socket, pid, *started, root});
        return false;
    };

    const auto command = commandLine(pid);
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
    ::kill(pid, SIGTERM);
    for (int check = 0; check < kTerminationChecks; ++check) {
        sleepFor(checkInterval);
        if (!alive(pid))
            return true;
    }
    ::kill(pid, SIGKILL);
    sleepFor(checkInterval * 2);
    return !alive(pid);
}

QFuture<bool> replaceIfStale(quint16 port, KeepTest keep, QString engineRoot, std::chrono::milliseconds checkInterval,
                             std::shared_ptr<ListenerVerdicts> verdicts) {
    if (engineRoot.isEmpty())
        engineRoot = MlxServer::engineRoot();
    return QtConcurrent::run([port, keep = std::move(keep), engineRoot, checkInterval, verdicts = std::move(verdicts)] {
        return replaceIfStaleNow(port, keep, engineRoot, checkInterval, verdicts.get());
    });
}

} // namespace StaleEngine
