#pragma once

#include "engine/EngineHttp.h"

#include <QByteArray>
#include <QNetworkRequest>
#include <QUrl>

#include <optional>

// One HTTP/1.1 exchange with a server on this machine. The request goes out
// whole in one write on a socket with Nagle's algorithm off: a request handed
// to the kernel as a header write and then a body write holds its last short
// segment until the server acknowledges the first, and a server that delays
// its ACKs (as Linux does) makes every such request wait about 40 ms.
namespace LoopbackExchange {

// The request as sent: request line, the request's headers, Host,
// Content-Length, "Connection: close", and the body.
QByteArray requestBytes(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body);

// Reads an answer as it arrives.
class AnswerReader {
public:
    explicit AnswerReader(bool headRequest = false) : m_headRequest(headRequest) {}

    // Adds received bytes.
    void append(const QByteArray& bytes);
    // The answer once it is complete: its framing (Content-Length or chunked)
    // is satisfied, or, with `closed`, the server has closed the connection.
    // Nothing while more is to come.
    std::optional<HttpAnswer> answer(bool closed) const;

private:
    bool m_headRequest = false;
    QByteArray m_received;
};

} // namespace LoopbackExchange
