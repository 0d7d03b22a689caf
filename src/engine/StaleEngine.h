#pragma once

#include "engine/ListenerVerdicts.h"

#include <QFuture>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Finds the process listening on a local port and, when it is a server of this
// engine folder that the caller does not want to keep (one left by a crash or
// by another build), terminates it so that the caller can launch its own. Reads
// the kernel's tables under /proc directly: a check starts no program.
namespace StaleEngine {

// The wait between the checks for a terminated listener.
inline constexpr std::chrono::milliseconds kCheckInterval{250};

// Accepts the command line of a server the caller keeps.
using KeepTest = std::function<bool(const QString& commandLine)>;

// True when the port is free afterwards (nothing listened, or the listener was
// terminated); false when a listener remains (no readable command line, not an
// engine server of `engineRoot`, or kept). Runs on the thread pool. An
// `engineRoot` left empty means `MlxServer::engineRoot()`; `checkInterval` is
// the wait between the checks for the terminated process. With `verdicts`, a
// listener left running is remembered, and a later check answers false at once
// while the same process still holds the same socket.
QFuture<bool> replaceIfStale(quint16 port, KeepTest keep, QString engineRoot = {},
                             std::chrono::milliseconds checkInterval = kCheckInterval,
                             std::shared_ptr<ListenerVerdicts> verdicts = {});
// The same, blocking the calling thread.
bool replaceIfStaleNow(quint16 port, const KeepTest& keep, const QString& engineRoot,
                       std::chrono::milliseconds checkInterval, ListenerVerdicts* verdicts = nullptr);

// The inodes of the TCP sockets listening on `port` on any local address, IPv4
// and IPv6 (/proc/net/tcp and /proc/net/tcp6); empty when none.
QList<quint64> listeningSockets(quint16 port);
// The process listening on TCP `port`, if any: the lowest process id holding
// one of its listening sockets, among the processes whose descriptors this
// user may read.
std::optional<qint32> listener(quint16 port);
// The full command line of process `pid` (its arguments joined by spaces),
// trimmed, if it can be read and is not empty.
std::optional<QString> commandLine(qint32 pid);
// The start time of process `pid` in clock ticks after boot, if it exists.
std::optional<quint64> startTime(qint32 pid);

} // namespace StaleEngine
