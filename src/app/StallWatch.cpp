#include "app/StallWatch.h"

namespace {

constexpr std::chrono::milliseconds kTick{1};

} // namespace

StallWatch::StallWatch(const QString& path) : m_log(path) {
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return;
    QElapsedTimer clock;
    clock.start();
    m_lastTick = clock.msecsSinceReference();
    m_log.write("start " + QByteArray::number(m_lastTick) + '\n');
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &StallWatch::tick);
    m_ticker.start(kTick);
}

void StallWatch::tick() {
    QElapsedTimer clock;
    clock.start();
    const qint64 at = clock.msecsSinceReference();
    const qint64 gap = at - m_lastTick;
    m_lastTick = at;
    if (gap >= kReported.count())
        m_log.write(QByteArray::number(at) + ' ' + QByteArray::number(gap) + '\n');
}

void StallWatch::mark(const char* what) {
    QElapsedTimer clock;
    clock.start();
    if (m_log.isOpen())
        m_log.write(QByteArray(what) + ' ' + QByteArray::number(clock.msecsSinceReference()) + '\n');
}
