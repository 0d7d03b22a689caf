#pragma once

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QTimer>

#include <stdexcept>

// Runs the event loop until `future` finishes or `timeoutMs` passes, and says
// whether it finished. Tests only: product code never waits like this.
template <typename T> bool awaitFuture(const QFuture<T>& future, int timeoutMs = 30000) {
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

// The result of `future`, waiting as awaitFuture() does; a future that does not
// finish in time fails the test with an exception rather than blocking it.
template <typename T> T awaitResult(QFuture<T> future, int timeoutMs = 30000) {
    if (!awaitFuture(future, timeoutMs))
        throw std::runtime_error("the future did not finish in time");
    return future.result();
}
