#pragma once

#include "support/ProgramLifetime.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <utility>

// One developer self-test under way: the context of its waits and the owner
// of what it holds, kept until the test ends or the program quits, whichever
// comes first, so that nothing it holds outlives the platform. A wait the
// program's quit cuts short never runs its next step. GUI thread.
class SelfTestRun : public QObject {
    Q_OBJECT
public:
    // A new run of type `Run` (a SelfTestRun), kept for the program's lifetime.
    template <typename Run = SelfTestRun, typename... Arguments> static Run* begin(Arguments&&... arguments) {
        return ProgramLifetime::keep(new Run(std::forward<Arguments>(arguments)...));
    }

    // Runs `next` after `wait`, unless the run has ended by then.
    void after(std::chrono::milliseconds wait, std::function<void()> next);
    // Ends the run; what it holds goes with it.
    void end() { deleteLater(); }

protected:
    SelfTestRun() = default;
};
