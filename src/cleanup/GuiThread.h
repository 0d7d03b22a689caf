#pragma once

#include <QCoreApplication>
#include <QThread>

#include <functional>

// Runs `work` on the GUI thread: at once when already there, else queued. The
// model clients keep their processes and network replies on that thread.
inline void runOnGuiThread(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        work();
    else
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}
