#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT (a logout, a `kill`, Control-C in a terminal) into
// an orderly quit, so the program's shutdown steps run as they do for the
// menu's quit: the recording stops, the volume comes back, the engine ends.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
