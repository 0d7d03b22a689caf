#include "platform/linux/ProcProcessTable.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringDecoder>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include <csignal>
#include <dirent.h>
#include <unistd.h>

namespace {

constexpr char kListenState[] = "0A";
constexpr char kZombieState[] = "Z";

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

// A socket listening on the port asked about: its inode and the account owning it.
struct ListeningSocket {
    quint64 inode = 0;
    quint32 account = 0;
};

// The sockets listening on `port` in one table of /proc/net.
void collectListening(const QString& table, quint16 port, QList<ListeningSocket>& sockets) {
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
        bool accountOk = false;
        const quint32 account = fields[7].toUInt(&accountOk);
        const quint64 inode = fields[9].toULongLong(&ok);
        if (ok && accountOk && inode != 0)
            sockets.append({inode, account});
    }
}

// The TCP sockets listening on `port` on any local address, IPv4 and IPv6;
// empty when none.
QList<ListeningSocket> listeningSockets(quint16 port) {
    QList<ListeningSocket> sockets;
    collectListening(QStringLiteral("/proc/net/tcp"), port, sockets);
    collectListening(QStringLiteral("/proc/net/tcp6"), port, sockets);
    return sockets;
}

// The inodes of `sockets`, each once.
QList<quint64> inodesOf(const QList<ListeningSocket>& sockets) {
    QList<quint64> inodes;
    for (const ListeningSocket& socket : sockets) {
        if (!inodes.contains(socket.inode))
            inodes.append(socket.inode);
    }
    return inodes;
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
std::optional<ProcessTable::Listener> holderOf(const QList<quint64>& sockets) {
    if (sockets.isEmpty())
        return std::nullopt;
    const DirHandle processes(::opendir("/proc"));
    if (!processes)
        return std::nullopt;
    std::optional<ProcessTable::Listener> lowest;
    while (const dirent* entry = ::readdir(processes.get())) {
        const std::optional<qint32> pid = processId(entry->d_name);
        if (!pid || (lowest && *pid > lowest->pid))
            continue;
        if (const std::optional<quint64> socket = heldBy(*pid, sockets))
            lowest = ProcessTable::Listener{*pid, *socket};
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

} // namespace

std::optional<ProcessTable::Listener> ProcProcessTable::listener(quint16 port) const {
    return holderOf(inodesOf(listeningSockets(port)));
}

QList<quint32> ProcProcessTable::listenerAccounts(quint16 port) const {
    QList<quint32> accounts;
    for (const ListeningSocket& socket : listeningSockets(port)) {
        if (!accounts.contains(socket.account))
            accounts.append(socket.account);
    }
    return accounts;
}

bool ProcProcessTable::holds(qint32 pid, quint64 socket) const { return heldBy(pid, {socket}).has_value(); }

std::optional<QString> ProcProcessTable::commandLine(qint32 pid) const {
    QByteArray arguments = readProcFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
    arguments.replace('\0', ' ');
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = QString(utf8.decode(arguments)).trimmed();
    if (utf8.hasError() || text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<quint64> ProcProcessTable::startTime(qint32 pid) const {
    const QList<QByteArray> fields = statFields(pid);
    bool ok = false;
    const quint64 ticks = fields.value(19).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ticks;
}

bool ProcProcessTable::isAlive(qint32 pid) const {
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
    const QList<QByteArray> fields = statFields(pid);
    return fields.isEmpty() || fields[0] != kZombieState;
}

// An id of 0 or below would signal a whole process group: never sent.
void ProcProcessTable::terminate(qint32 pid) {
    if (pid > 0)
        ::kill(pid, SIGTERM);
}

void ProcProcessTable::kill(qint32 pid) {
    if (pid > 0)
        ::kill(pid, SIGKILL);
}
