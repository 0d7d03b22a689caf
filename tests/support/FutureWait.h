#pragma once

#include <QFuture>
#include <QTest>

#include <stdexcept>

// The result of `future`, processing events while waiting for it (so that
// continuations on the GUI thread run). A future that does not finish in time
// fails the test with an exception rather than blocking it.
template <typename T>
T awaitResult(QFuture<T> future, int timeoutMs = 10000) {
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, timeoutMs))
        throw std::runtime_error("the future did not finish in time");
    return future.result();
}
