#pragma once

#include <QFuture>

#include <functional>

// The running servers as the engine set-up sees them: the speech server's
// start, warm-up and stop, the cleanup model server, and one transcription
// that proves the dictation model loads. EngineBootstrap::standardServices()
// are the real servers; tests hand in their own.
struct EngineServices {
    std::function<QFuture<bool>()> ensureReady;
    std::function<QFuture<void>()> warmUp;
    // Stops and forgets the held speech server; finishes when it has ended.
    std::function<QFuture<void>()> stopServer;
    std::function<QFuture<bool>()> cleanupServerUp;
    std::function<QFuture<void>()> startCleanupServer;
    // Whether the engine carries a cleanup model server at all; unset means it does.
    std::function<bool()> cleanupModelPackaged;
    // The HTTP status of transcribing half a second of silence (-1: no answer).
    std::function<QFuture<int>()> checkModel;
};
