#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>

// Where the GUI thread is while it stalls, for the stall watch: a thread of
// its own notices when the GUI thread's ticks stop, and while they stay away
// it interrupts the GUI thread with a signal whose handler records the GUI
// thread's stack (backtrace() into a buffer made beforehand: nothing else
// runs in the handler). The watch thread names the frames and writes each
// sample to `fd` in one write, as lines
// "stack <monotonic ms> <ms since the last tick> <frame>". Made only by the
// stall watch, on the GUI thread, whose thread it samples.
class StallWatchSampler {
public:
    // No sample before the ticks have stopped this long, and then one this often.
    static constexpr std::chrono::milliseconds kSampleAfter{20};
    static constexpr std::chrono::milliseconds kSampleEvery{10};
    static constexpr int kDepth = 48;

    // `fd` stays open for the sampler's life; writes to it are appends.
    explicit StallWatchSampler(int fd);
    ~StallWatchSampler();
    StallWatchSampler(const StallWatchSampler&) = delete;
    StallWatchSampler& operator=(const StallWatchSampler&) = delete;

    // The GUI thread's tick, at `monotonicMs`.
    void ticked(qint64 monotonicMs) { m_lastTick.store(monotonicMs, std::memory_order_relaxed); }

private:
    void watch();
    void sample(qint64 at, qint64 stalled);

    int m_fd;
    pthread_t m_gui;
    // The signal's action before ours, put back at the end.
    struct sigaction m_previous {};
    std::atomic<qint64> m_lastTick;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
