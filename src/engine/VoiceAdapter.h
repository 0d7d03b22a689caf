#pragma once

#include <QFuture>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>
#include <utility>

// The speech server's voice-adaptation endpoints ("v1/quorvane/adapt/…"):
// clips of the user reading known sentences go up, the server fits an adapter
// and reports its progress. Call from the GUI thread; answers arrive there.
namespace VoiceAdapter {

// A fit may take minutes on the server.
inline constexpr std::chrono::seconds kPostTimeout{900};
inline constexpr std::chrono::seconds kProgressTimeout{5};

struct Posted {
    // The answer's JSON object; empty when the answer was not a JSON object,
    // whatever its HTTP status.
    QJsonObject answer;
    // Set when no answer came (refused, timed out): the transport error.
    std::optional<QString> error;
};

// POSTs `body` as JSON to `path` below `base`; never fails the future.
QFuture<Posted> post(const QString& path, const QJsonObject& body, std::chrono::milliseconds timeout = kPostTimeout,
                     const QUrl& base = {});
// (step, steps) of the fit in progress from "v1/quorvane/adapt/status"; none
// on a transport error, a body that is not a JSON object, or a missing or
// non-integer "step" or "steps".
QFuture<std::optional<std::pair<int, int>>> progress(const QUrl& base = {});

} // namespace VoiceAdapter
