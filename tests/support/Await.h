#pragma once

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QTimer>

// Runs the event loop until `future` finishes or `timeoutMs` passes, and says
// whether it finished. Tests only: product code never waits like this.
template <typename T>
bool awaitFuture(const QFuture<T>& future, int timeoutMs = 30000) {
    if (!future.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<T> watcher;
        QObject::connect(&watcher, &QFutureWatcher<T>::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        watcher.setFuture(future);
        if (!future.isFinished())
            loop.exec();
    }
    return future.isFinished();
}
