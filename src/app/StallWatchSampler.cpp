#include "app/StallWatchSampler.h"

#include <QByteArray>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>

namespace {

// Where the handler leaves its sample: a signal handler has no other way to
// its caller than a global. Only the GUI thread's handler writes `frames` and
// `depth`, and only between the watch thread's request and the handler's
// `taken`; the watch thread reads them after `taken`.
struct Slot {
    void* frames[StallWatchSampler::kDepth];
    int depth = 0;
    std::atomic<bool> taken{false};
};
Slot slot;

int sampleSignal() { return SIGRTMIN + 6; }

void takeSample(int) {
    // backtrace() allocates nothing once loaded (it was called once before
    // the handler was installed), and touches nothing but the slot.
    slot.depth = backtrace(slot.frames, StallWatchSampler::kDepth);
    slot.taken.store(true, std::memory_order_release);
}

qint64 monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

constexpr std::chrono::milliseconds kPoll{2};
// A handler that has not run by then is not waited for again.
constexpr std::chrono::milliseconds kHandlerWait{100};

} // namespace

StallWatchSampler::StallWatchSampler(int fd) : m_fd(fd), m_lastTick(monotonicMs()) {
    m_gui = pthread_self();
    void* warm[2];
    backtrace(warm, 2);
    struct sigaction action {};
    action.sa_handler = takeSample;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(sampleSignal(), &action, &m_previous);
    m_thread = std::thread([this] { watch(); });
}

StallWatchSampler::~StallWatchSampler() {
    m_stopping.store(true);
    m_thread.join();
    sigaction(sampleSignal(), &m_previous, nullptr);
}

void StallWatchSampler::watch() {
    qint64 lastSample = 0;
    while (!m_stopping.load()) {
        std::this_thread::sleep_for(kPoll);
        const qint64 now = monotonicMs();
        const qint64 stalled = now - m_lastTick.load(std::memory_order_relaxed);
        if (stalled < kSampleAfter.count() || now - lastSample < kSampleEvery.count())
            continue;
        lastSample = now;
        sample(now, stalled);
    }
}

void StallWatchSampler::sample(qint64 at, qint64 stalled) {
    slot.taken.store(false, std::memory_order_relaxed);
    if (pthread_kill(m_gui, sampleSignal()) != 0)
        return;
    const qint64 giveUp = monotonicMs() + kHandlerWait.count();
    while (!slot.taken.load(std::memory_order_acquire)) {
        if (monotonicMs() > giveUp || m_stopping.load())
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    char** names = backtrace_symbols(slot.frames, slot.depth);
    if (!names)
        return;
    const QByteArray prefix = "stack " + QByteArray::number(at) + ' ' + QByteArray::number(stalled) + ' ';
    QByteArray lines;
    // The first frame is the handler's own.
    for (int i = 1; i < slot.depth; ++i)
        lines += prefix + names[i] + '\n';
    std::free(names);
    // One write: an append that the GUI thread's lines do not cut into.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, lines.constData(), size_t(lines.size()));
}
