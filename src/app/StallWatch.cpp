#include "app/StallWatch.h"

#include "app/StallWatchSampler.h"

#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds kTick{1};

qint64 monotonicMs() {
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

} // namespace

StallWatch::StallWatch(const QString& path) {
    // Appends only: the sampler's thread writes to the same file.
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    m_lastTick = monotonicMs();
    write("start " + QByteArray::number(m_lastTick) + '\n');
    m_sampler = std::make_unique<StallWatchSampler>(m_fd);
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &StallWatch::tick);
    m_ticker.start(kTick);
}

StallWatch::~StallWatch() {
    m_sampler.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void StallWatch::tick() {
    const qint64 at = monotonicMs();
    m_sampler->ticked(at);
    const qint64 gap = at - m_lastTick;
    m_lastTick = at;
    if (gap >= kReported.count())
        write(QByteArray::number(at) + ' ' + QByteArray::number(gap) + '\n');
}

void StallWatch::mark(const char* what) { write(QByteArray(what) + ' ' + QByteArray::number(monotonicMs()) + '\n'); }

void StallWatch::write(const QByteArray& line) {
    if (m_fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(m_fd, line.constData(), size_t(line.size()));
}
