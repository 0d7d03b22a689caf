#pragma once

#include "engine/CancelToken.h"

#include <QByteArray>
#include <QFuture>
#include <QNetworkRequest>
#include <QString>

// What came back from one request to a local engine server.
struct HttpAnswer {
    // The HTTP status, or -1 when the answer was not HTTP or there was none.
    int status = -1;
    QByteArray body;
    // No answer at all: refused, timed out, connection lost, or cancelled.
    bool transportFailed = false;
    // The description of a failed request; empty otherwise.
    QString error;
    // Nothing was sent: a socket of another account listens on the port.
    bool heldByAnotherAccount = false;
};

// Requests to the engine's loopback servers, one connection each, sent as
// LoopbackExchange describes so that no request waits on a delayed ACK, each
// with this run's engine key (EngineKey). Nothing goes to a port where a
// socket of another account listens (ForeignListener), looked at before the
// connection and again once it is made. Call from the GUI thread; the answers
// arrive there.
namespace EngineHttp {

// Sends `verb` with `body`; a time-out (the longest wait with nothing sent or
// received) of 0 keeps the request's own transfer time-out. When
// `cancel` is cancelled before the answer, the request is aborted (or never
// sent) and the answer is a transport failure "The request was cancelled.";
// the abort runs from the event loop, never inside cancel().
QFuture<HttpAnswer> send(QNetworkRequest request, const QByteArray& verb, const QByteArray& body = {},
                         int timeoutMs = 0, const CancelToken& cancel = {});

} // namespace EngineHttp
