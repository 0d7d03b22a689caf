#pragma once

#include "engine/CancelToken.h"

#include <QByteArray>
#include <QFuture>
#include <QString>

#include <optional>

// The client of the speech server's transcription endpoint: one WAV take goes
// out as a multipart form, the recognised text comes back. transcribe() fails
// on anything but a readable 200 answer; diagnose() never fails and reports
// everything that came back, for the microphone test and the engine repair.
// Call from the GUI thread; the answers arrive there.
namespace Transcriber {

// Everything one test transcription brought back.
struct Diagnosis {
    // The HTTP status; -1 when the answer was not HTTP or the request failed.
    int status = -1;
    // The trimmed "text" of the JSON answer; empty when absent.
    QString transcript;
    // The first 300 characters of the body, "<non-text N bytes>" when it is not
    // UTF-8; empty after a request failure.
    QString bodyExcerpt;
    // The description of a request failure.
    std::optional<QString> error;
    // The request failed unsent: another account listens on the server's port.
    bool heldByAnotherAccount = false;

    bool operator==(const Diagnosis&) const = default;
};

// Thrown by transcribe() when no answer came (refused, timed out, cancelled)
// or a 200 answer was not JSON. A non-200 answer, and a 200 answer that is not
// an object with a "text" string, throw QuorvaneError code 2: the engine
// answered but failed, which a caller must never take for silence.
struct RequestFailed {
    QString message;
    // Nothing was sent: another account listens on the server's port.
    bool heldByAnotherAccount = false;
    QString localizedDescription() const { return message; }
};

// The trimmed transcript of `wav`; the future carries RequestFailed or
// QuorvaneError on failure. Cancelling `cancel` abandons the request: one still
// in flight is aborted (the server's connection closes at once) and one not yet
// sent never goes out; the future then fails with RequestFailed "The request
// was cancelled.", from the event loop. A request already answered keeps its
// answer. The dictation cancels a live preview this way at the stop, so that
// the final take never waits behind it.
QFuture<QString> transcribe(const QByteArray& wav, double timeoutSeconds, const CancelToken& cancel = {});
// Never fails.
QFuture<Diagnosis> diagnose(const QByteArray& wav, double timeoutSeconds);

// "quorvane-" and a fresh upper-case UUID.
QString newBoundary();
// The request body: the "model" part, then the "file" part "audio.wav" of type
// "audio/wav" holding `wav`, then the closing boundary.
QByteArray multipartBody(const QByteArray& wav, const QString& model, const QString& boundary);

} // namespace Transcriber
