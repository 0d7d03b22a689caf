#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <chrono>

// Watches the GUI thread for stalls, for the stall benchmark: a 1 ms timer,
// and every gap between its ticks of kReported or more written to a file as
// "<monotonic ms at the gap's end> <gap ms>", the first line "start <ms>".
// Made by main only when QV_STALL_LOG names the file. GUI thread.
class StallWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kReported{5};

    explicit StallWatch(const QString& path);
    // Writes "<what> <monotonic ms>" (main's "exit", after the shutdown steps).
    void mark(const char* what);

private:
    void tick();

    QFile m_log;
    QTimer m_ticker;
    qint64 m_lastTick = 0;
};
