#pragma once

#include "platform/ProcessTable.h"

// The process table read from /proc: listening sockets and the accounts owning
// them from /proc/net/tcp and /proc/net/tcp6, their holders from
// /proc/<pid>/fd, command lines from /proc/<pid>/cmdline and start times and
// states from /proc/<pid>/stat; ending a process by signal. Finding a port's listener walks every process folder
// (a few milliseconds on a busy desktop); asking whether a known process still
// holds a socket reads that one process's descriptors. Any thread.
class ProcProcessTable : public ProcessTable {
public:
    std::optional<Listener> listener(quint16 port) const override;
    QList<quint32> listenerAccounts(quint16 port) const override;
    bool holds(qint32 pid, quint64 socket) const override;
    std::optional<QString> commandLine(qint32 pid) const override;
    std::optional<quint64> startTime(qint32 pid) const override;
    bool isAlive(qint32 pid) const override;
    void terminate(qint32 pid) override;
    void kill(qint32 pid) override;
};
