#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class StallWatchSampler;

// Watches the GUI thread for stalls, for the stall benchmark: a 1 ms timer,
// and every gap between its ticks of kReported or more written to a file as
// "<monotonic ms at the gap's end> <gap ms>", the first line "start <ms>".
// While a gap lasts, the GUI thread's stack is sampled into the same file
// (StallWatchSampler), so that a stall says where it was spent. Made by main
// only when QV_STALL_LOG names the file. GUI thread.
class StallWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kReported{5};

    explicit StallWatch(const QString& path);
    ~StallWatch() override;
    // Writes "<what> <monotonic ms>" (main's "exit", after the shutdown steps).
    void mark(const char* what);

private:
    void tick();
    void write(const QByteArray& line);

    int m_fd = -1;
    QTimer m_ticker;
    qint64 m_lastTick = 0;
    std::unique_ptr<StallWatchSampler> m_sampler;
};
