#pragma once

#include "engine/MlxServer.h"
#include "support/Await.h"

#include <QtTest/QTest>

// Starts the speech engine in this process and waits for it; whether it answers.
inline bool startEngineHere(int timeoutMs = 120000) {
    QFuture<bool> ready = MlxServer::shared().ensureReady();
    return awaitFuture(ready, timeoutMs) && ready.result();
}

// Stops the engine this process started when it goes out of scope; declared
// after the port's lock, the engine is gone before the next test may take it.
struct EngineStoppedAtEnd {
    ~EngineStoppedAtEnd() { MlxServer::shared().stop(); }
};

// Waits until the speech engine's port answers (`up`) or no longer does: the
// engine a test or the program under test started has come or gone.
inline bool waitForEngine(bool up, int timeoutMs = 10000) {
    return QTest::qWaitFor(
        [up] {
            QFuture<bool> answers = MlxServer::shared().isUp();
            return awaitFuture(answers, 3000) && answers.result() == up;
        },
        timeoutMs);
}
