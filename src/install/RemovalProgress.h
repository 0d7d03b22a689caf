#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The window Remove Everything shows from its start until the program quits:
// first while the servers end, then how much of what was counted is deleted.
// Closing it does not stop the removal. GUI thread.
class RemovalProgress : public QWidget {
    Q_OBJECT
public:
    explicit RemovalProgress(QWidget* parent = nullptr);

    // The engine's servers and the phone link are ending.
    void showStopping();
    // `freed` of `total` bytes are gone; a total of 0 shows the bar moving.
    void showDeleting(qint64 freed, qint64 total);

private:
    QLabel* m_step;
    QProgressBar* m_bar;
};
