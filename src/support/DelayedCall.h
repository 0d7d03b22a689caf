#pragma once

#include <QObject>

#include <chrono>
#include <functional>

// Runs `task` on the GUI thread after `delay`, unless `context` is gone by
// then. The main window's views take one so that tests run their delays on a
// clock of their own.
using DelayedCall = std::function<void(std::chrono::milliseconds delay, QObject* context, std::function<void()> task)>;

namespace DelayedCalls {

// Qt's single-shot timers.
DelayedCall timers();

} // namespace DelayedCalls
