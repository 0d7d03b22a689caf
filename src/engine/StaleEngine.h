#pragma once

#include <QFuture>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// Finds the process listening on a local port and, when it is a server of this
// engine folder that the caller does not want to keep (one left by a crash or
// by another build), terminates it so that the caller can launch its own.
namespace StaleEngine {

// Accepts the command line of a server the caller keeps.
using KeepTest = std::function<bool(const QString& commandLine)>;

// True when the port is free afterwards (nothing listened, or the listener was
// terminated); false when a listener remains (no readable command line, not an
// engine server of `engineRoot`, or kept). Runs on the thread pool. An
// `engineRoot` left empty means `MlxServer::engineRoot()`; `checkInterval` is
// the wait between the checks for the terminated process.
QFuture<bool> replaceIfStale(quint16 port, KeepTest keep, QString engineRoot = {},
                             std::chrono::milliseconds checkInterval = std::chrono::milliseconds(250));
// The same, blocking the calling thread.
bool replaceIfStaleNow(quint16 port, const KeepTest& keep, const QString& engineRoot,
                       std::chrono::milliseconds checkInterval);

// The process listening on TCP `port`, if any.
std::optional<qint32> listener(quint16 port);
// The full command line of process `pid`, trimmed, if it can be read.
std::optional<QString> commandLine(qint32 pid);

} // namespace StaleEngine
