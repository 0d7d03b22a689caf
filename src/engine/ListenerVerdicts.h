#pragma once

#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

// The port listeners that StaleEngine left running (not an engine server of the
// folder, kept by the caller, or without a readable command line), one per
// port. While the process id is alive with the same start time and still holds
// the same listening socket, a later check keeps the verdict without searching
// the processes for the port's listener or reading its command line again. A
// verdict depends on the caller's keep-test, so each caller holds
// its own. Any thread.
class ListenerVerdicts {
public:
    struct Listener {
        // The listening socket (ProcessTable::Listener::socket).
        quint64 socket = 0;
        qint32 pid = 0;
        // The process's start time (ProcessTable::startTime).
        quint64 startTime = 0;
        // The engine folder the verdict was made for.
        QString engineRoot;

        bool operator==(const Listener&) const = default;
    };

    std::optional<Listener> remembered(quint16 port) const;
    void remember(quint16 port, Listener listener);
    void forget(quint16 port);

private:
    mutable QMutex m_lock;
    QHash<quint16, Listener> m_listeners;
};
