#pragma once

#include "engine/ListenerVerdicts.h"

#include <QFuture>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class ProcessTable;

// Finds the process listening on a local port and, when it is a server of this
// engine folder that the caller does not want to keep (one left by a crash or
// by another build), terminates it so that the caller can launch its own. Asks
// the platform's process table: a check starts no program.
namespace StaleEngine {

// The wait between the checks for a terminated listener.
inline constexpr std::chrono::milliseconds kCheckInterval{250};
// The checks for a terminated listener before it is killed outright.
inline constexpr int kTerminationChecks = 20;

// Accepts the command line of a server the caller keeps.
using KeepTest = std::function<bool(const QString& commandLine)>;

// True when the port is free afterwards (nothing listened, or the listener was
// terminated); false when a listener remains (one of another account, one with
// no readable command line, not an engine server of `engineRoot`, or kept). Runs on the thread pool with the
// process table installed when it is called; without one it answers true at
// once, as for a free port. An `engineRoot` left empty means
// `MlxServer::engineRoot()`; `checkInterval` is the wait between the checks for
// the terminated process. With `verdicts`, a listener left running is
// remembered, and a later check answers false at once while the same process
// (its id with the same start time) still holds the same socket.
QFuture<bool> replaceIfStale(quint16 port, KeepTest keep, QString engineRoot = {},
                             std::chrono::milliseconds checkInterval = kCheckInterval,
                             std::shared_ptr<ListenerVerdicts> verdicts = {});
// The same with `processes`, blocking the calling thread.
bool replaceIfStaleNow(ProcessTable& processes, quint16 port, const KeepTest& keep, const QString& engineRoot,
                       std::chrono::milliseconds checkInterval, ListenerVerdicts* verdicts = nullptr);

} // namespace StaleEngine
