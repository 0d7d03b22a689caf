#pragma once

#include <QByteArray>
#include <QFuture>
#include <QJsonObject>
#include <QList>

#include <chrono>
#include <optional>

// A stand-in for the companion phone app: connects to 127.0.0.1 from a loopback
// address (each address stands for another device on the network), writes bytes,
// may close its sending side, and reads until the link closes. Runs on the
// thread pool so that the link, on the test's event loop, keeps serving.
namespace PhoneClient {

inline constexpr quint32 kLoopback = 0x7F000001; // 127.0.0.1

struct Options {
    // Close our sending side after the bytes (the phone does this after its frame).
    bool halfClose = false;
    // Send the bytes in pieces of this size with a pause between them.
    qsizetype pieceSize = 0;
    std::chrono::milliseconds pause{0};
    // Give up reading after this long.
    std::chrono::milliseconds readTimeout{10'000};
    // The loopback address to connect from (127.x.y.z, in host byte order).
    quint32 from = kLoopback;
    // sendAll: message i connects from `from` + i × addressStep, as if from
    // phones of their own (256: each on a network of its own).
    quint32 addressStep = 0;
};

struct Outcome {
    bool connected = false;
    // Everything the link sent before it closed.
    QByteArray received;
    // Whether the link closed (end of stream or reset) within the timeout.
    bool closed = false;

    // The payload of one well-formed receipt frame making up all of `received`.
    std::optional<QJsonObject> receipt() const;
};

// A frame around `payload`; `length` overrides the announced length.
QByteArray frame(const QByteArray& payload, std::optional<quint32> length = std::nullopt);
// A JSON array of `count` notes, all from `deviceID` (none: no device id).
QByteArray batch(int count, const std::optional<QString>& deviceID, int firstNumber = 0);

QFuture<Outcome> send(quint16 port, QByteArray bytes, Options options = {});
// Many phones at once: every connection is opened before any of them sends.
QFuture<QList<Outcome>> sendAll(quint16 port, QList<QByteArray> messages, Options options = {});
// Blocking form, for threads of its own.
Outcome exchange(quint16 port, const QByteArray& bytes, const Options& options);

} // namespace PhoneClient
