#pragma once

#include <QList>
#include <QString>

#include <optional>

// The processes of this machine as the kernel lists them: who listens on a
// local TCP port, what a process was started as and when, whether it still
// runs, and ending one. A look reads the kernel's tables; it starts no program.
// Any thread; every call is a fresh look, so two calls may see different
// moments. A process id alone may name a later process once the first has
// ended: the id with its start time names one process.
class ProcessTable {
public:
    // A listening socket and the process holding it.
    struct Listener {
        qint32 pid = 0;
        // The kernel's identifier (inode) of the listening socket.
        quint64 socket = 0;

        bool operator==(const Listener&) const = default;
    };

    virtual ~ProcessTable() = default;

    // The process listening on TCP `port` of a loopback or any-address socket,
    // IPv4 or IPv6: the lowest process id holding one of the port's listening
    // sockets, among the processes whose descriptors this user may read, and
    // that socket. Nothing when no socket listens on the port or no readable
    // process holds one.
    virtual std::optional<Listener> listener(quint16 port) const = 0;
    // The accounts (user ids) owning the sockets that listen on TCP `port`,
    // IPv4 or IPv6, each once: the kernel's socket tables show them whoever
    // holds the sockets. Empty when no socket listens on the port.
    virtual QList<quint32> listenerAccounts(quint16 port) const = 0;
    // Whether process `pid` holds the listening socket `socket`. False when
    // the process is gone or its descriptors cannot be read.
    virtual bool holds(qint32 pid, quint64 socket) const = 0;
    // The full command line of process `pid` (its arguments joined by spaces),
    // trimmed. Nothing when the process is gone, its command line cannot be
    // read, is not UTF-8, or is empty.
    virtual std::optional<QString> commandLine(qint32 pid) const = 0;
    // When process `pid` started, in clock ticks after boot. Nothing when the
    // process is gone or cannot be read.
    virtual std::optional<quint64> startTime(qint32 pid) const = 0;
    // Whether process `pid` runs. A process that has ended but not yet been
    // collected by its parent counts as gone: it holds no port and can do
    // nothing more. False for a process this user may not signal, and for an
    // id of 0 or below.
    virtual bool isAlive(qint32 pid) const = 0;
    // Asks process `pid` to end (it may refuse or take its time). Does
    // nothing when the process is gone, this user may not signal it, or `pid`
    // is 0 or below (never a process group).
    virtual void terminate(qint32 pid) = 0;
    // Ends process `pid` outright. Does nothing in the cases terminate() skips.
    virtual void kill(qint32 pid) = 0;
};
