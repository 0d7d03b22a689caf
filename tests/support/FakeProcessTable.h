#pragma once

#include "platform/ProcessTable.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <utility>

// Processes and listening sockets that tests set up; records the signals sent
// and counts the searches for a port's listener. An ended process holds no
// socket and shows nothing. Any thread.
class FakeProcessTable : public ProcessTable {
public:
    struct Process {
        std::optional<QString> commandLine = {};
        quint64 startTime = 1;
        // The listening sockets it holds.
        QList<quint64> sockets = {};
        bool alive = true;
        // Whether terminate(), or kill(), ends it.
        bool endsOnTerminate = true;
        bool endsOnKill = true;
    };
    enum class Signal { Terminate, Kill };
    struct Sent {
        qint32 pid = 0;
        Signal signal = Signal::Terminate;
        bool operator==(const Sent&) const = default;
    };

    // Adds or replaces process `pid`.
    void set(qint32 pid, Process process) {
        QMutexLocker locker(&m_lock);
        m_processes.insert(pid, std::move(process));
    }
    // Makes `socket` the one listening on `port`.
    void listen(quint16 port, quint64 socket) {
        QMutexLocker locker(&m_lock);
        m_listening.insert(port, socket);
    }
    // Makes `accounts` the owners of the sockets listening on `port`, whatever
    // listen() set up; none by default.
    void listenAs(quint16 port, QList<quint32> accounts) {
        QMutexLocker locker(&m_lock);
        m_accounts.insert(port, std::move(accounts));
    }
    void end(qint32 pid) {
        QMutexLocker locker(&m_lock);
        m_processes[pid].alive = false;
    }
    QList<Sent> sent() const {
        QMutexLocker locker(&m_lock);
        return m_sent;
    }
    int listenerSearches() const {
        QMutexLocker locker(&m_lock);
        return m_listenerSearches;
    }

    std::optional<Listener> listener(quint16 port) const override {
        QMutexLocker locker(&m_lock);
        ++m_listenerSearches;
        const auto socket = m_listening.constFind(port);
        if (socket == m_listening.cend())
            return std::nullopt;
        std::optional<Listener> lowest;
        for (auto process = m_processes.cbegin(); process != m_processes.cend(); ++process) {
            if (process->alive && process->sockets.contains(*socket) && (!lowest || process.key() < lowest->pid))
                lowest = Listener{process.key(), *socket};
        }
        return lowest;
    }
    QList<quint32> listenerAccounts(quint16 port) const override {
        QMutexLocker locker(&m_lock);
        return m_accounts.value(port);
    }
    bool holds(qint32 pid, quint64 socket) const override {
        QMutexLocker locker(&m_lock);
        const Process* process = running(pid);
        return process && process->sockets.contains(socket);
    }
    std::optional<QString> commandLine(qint32 pid) const override {
        QMutexLocker locker(&m_lock);
        const Process* process = running(pid);
        return process ? process->commandLine : std::nullopt;
    }
    std::optional<quint64> startTime(qint32 pid) const override {
        QMutexLocker locker(&m_lock);
        const Process* process = running(pid);
        return process ? std::optional<quint64>(process->startTime) : std::nullopt;
    }
    bool isAlive(qint32 pid) const override {
        QMutexLocker locker(&m_lock);
        return running(pid) != nullptr;
    }
    void terminate(qint32 pid) override { signal(pid, Signal::Terminate); }
    void kill(qint32 pid) override { signal(pid, Signal::Kill); }

private:
    const Process* running(qint32 pid) const {
        const auto process = m_processes.constFind(pid);
        return process != m_processes.cend() && process->alive ? &*process : nullptr;
    }
    void signal(qint32 pid, Signal signal) {
        QMutexLocker locker(&m_lock);
        m_sent.append({pid, signal});
        const auto process = m_processes.find(pid);
        if (process != m_processes.end()
            && (signal == Signal::Terminate ? process->endsOnTerminate : process->endsOnKill))
            process->alive = false;
    }

    mutable QMutex m_lock;
    QHash<qint32, Process> m_processes;
    QHash<quint16, quint64> m_listening;
    QHash<quint16, QList<quint32>> m_accounts;
    QList<Sent> m_sent;
    mutable int m_listenerSearches = 0;
};
