#pragma once

#include "platform/MemoryPressure.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// Memory pressure from the kernel's pressure-stall information
// (/proc/pressure/memory), or from the share of available memory in
// /proc/meminfo on kernels without it. Both are read every few seconds; the
// handler is called when the level rises (none → warning → critical), not on
// every reading.
class LinuxMemoryPressure : public QObject, public MemoryPressure {
    Q_OBJECT
public:
    struct Reading {
        bool valid = false;         // the file had the figures we need
        std::optional<Level> level; // none: no pressure
    };

    explicit LinuxMemoryPressure(QString psiFile = QStringLiteral("/proc/pressure/memory"),
                                 QString meminfoFile = QStringLiteral("/proc/meminfo"), int intervalMs = 2000,
                                 QObject* parent = nullptr);

    void watch(Handler handler) override;
    void stopWatching() override;

    // Warning when tasks stalled on memory for 10 % of the last 10 s, critical
    // when all tasks did (the "full" line) for 10 %.
    static Reading fromPsi(const QByteArray& text);
    // Warning below 10 % of memory available, critical below 5 %.
    static Reading fromMeminfo(const QByteArray& text);

    // Reads the files once and calls the handler on a rise (used by the timer).
    void check();

private:
    QString m_psiFile;
    QString m_meminfoFile;
    QTimer m_timer;
    Handler m_handler;
    std::optional<Level> m_last;
};
