#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class QProcess;

// The child processes of the engine's set-up (the set-up script and what it
// runs, tar, the import checks of an interpreter), each started and waited
// for on a thread-pool thread with a deadline of its own, up to twenty
// minutes. A quit must not wait for them: once endAll() has run, every child
// waited for here, and every one started after, is killed with the processes
// it started, within a poll. Any thread.
namespace SetupChildren {

inline constexpr std::chrono::milliseconds kPoll{100};

// Starts `process` as the leader of a process group of its own, so that
// ending it ends what it started too. False when it did not start within
// `deadline`, or the program is quitting.
bool start(QProcess& process, const QString& program, const QStringList& arguments, std::chrono::milliseconds deadline);
// Waits on this thread for a child made by start() to exit by itself, until
// `deadline` or a quit, calling `onPoll` after every poll (to read its
// output); the child and its group are killed then. True when it exited by
// itself.
bool waitFor(QProcess& process, std::chrono::milliseconds deadline, const std::function<void()>& onPoll = {});

// The program quits: ends every child now and from now on.
void endAll();
bool ending();

} // namespace SetupChildren
