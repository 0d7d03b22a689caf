#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

// The objects the program keeps from first use until it quits. What they
// touch as they go (windows, players, the platform's watchers, the engine
// process) must still be there then, so the program's main ends them itself,
// newest first, before the platform and the application object go. A process
// that never ends its lifetime (a test program) keeps them until it exits.
// GUI thread only.
namespace ProgramLifetime {

// Runs `end` when the lifetime ends, before everything registered earlier.
void atEnd(std::function<void()> end);

// Keeps `object` until the lifetime ends, then deletes it (unless it is gone
// by then), and returns it.
template <typename T> T* keep(T* object) {
    atEnd([held = QPointer<QObject>(object)] { delete held.data(); });
    return object;
}

// Runs every registered end, newest first, including those registered while
// ending. Safe to call more than once.
void end();

// Ends the lifetime when it leaves its scope; the program's main holds one,
// made after the platform so that it ends first.
class Scope {
public:
    Scope() = default;
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    ~Scope() { end(); }
};

} // namespace ProgramLifetime
