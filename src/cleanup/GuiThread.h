#pragma once

#include <QCoreApplication>
#include <QThread>

#include <functional>

// Whether this is the GUI thread (or there is no application to have one).
inline bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// Runs `work` on the GUI thread, where `context` lives: at once when already
// there, else queued, and dropped when `context` is destroyed first. The model
// clients keep their processes and network replies on that thread.
inline void runOnGuiThread(QObject* context, std::function<void()> work) {
    if (onGuiThread())
        work();
    else
        QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}
