#include "engine/EngineHttp.h"

#include "engine/EngineKey.h"
#include "engine/ForeignListener.h"
#include "engine/LoopbackExchange.h"

#include <QCoreApplication>
#include <QPromise>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <utility>

namespace EngineHttp {

namespace {

// Longer than any connection to a listening local engine takes; a server
// too stuck to complete one is given up on as having gone.
constexpr int kConnectWait = 200;

HttpAnswer failedTransport(const QString& why) {
    HttpAnswer answer;
    answer.transportFailed = true;
    answer.error = why;
    return answer;
}

HttpAnswer cancelled() { return failedTransport(QStringLiteral("The request was cancelled.")); }

HttpAnswer heldByAnotherAccount(quint16 port) {
    HttpAnswer answer = failedTransport(ForeignListener::message(port));
    answer.heldByAnotherAccount = true;
    return answer;
}

} // namespace

QFuture<HttpAnswer> send(QNetworkRequest request, const QByteArray& verb, const QByteArray& body, int timeoutMs,
                         const CancelToken& cancel) {
    if (cancel.isCancelled())
        return QtFuture::makeReadyFuture(cancelled());
    const QUrl url = request.url();
    if (url.scheme() != QStringLiteral("http") || url.host().isEmpty())
        return QtFuture::makeReadyFuture(
            failedTransport(QStringLiteral("Not a local HTTP address: ") + url.toString()));
    const quint16 port = quint16(url.port(80));
    EngineKey::sign(request);

    auto promise = std::make_shared<QPromise<HttpAnswer>>();
    promise->start();
    auto* socket = new QTcpSocket(QCoreApplication::instance());
    if (timeoutMs <= 0)
        timeoutMs = request.transferTimeout();
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(timeoutMs);
    const auto active = [idle, timeoutMs] {
        if (timeoutMs > 0)
            idle->start();
    };
    auto reader = std::make_shared<LoopbackExchange::AnswerReader>(verb == "HEAD");
    auto settled = std::make_shared<bool>(false);
    const auto finish = [socket, promise, settled](const HttpAnswer& answer) {
        if (std::exchange(*settled, true))
            return;
        promise->addResult(answer);
        promise->finish();
        socket->disconnect();
        socket->abort();
        socket->deleteLater();
    };
    const auto closed = [socket, reader, finish] {
        reader->append(socket->readAll());
        finish(*reader->answer(true));
    };

    QObject::connect(socket, &QTcpSocket::connected, socket,
                     [socket, active, finish, port, bytes = LoopbackExchange::requestBytes(request, verb, body)] {
                         // Nothing is sent before the listener we reached is known to be
                         // of this account (the look at the table costs a read of it).
                         if (ForeignListener::holds(port)) {
                             finish(heldByAnotherAccount(port));
                             return;
                         }
                         socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                         socket->write(bytes);
                         // Out now rather than at the next turn of the event loop.
                         socket->flush();
                         active();
                     });
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, active);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, reader, active, finish] {
        reader->append(socket->readAll());
        active();
        if (const std::optional<HttpAnswer> answer = reader->answer(false))
            finish(*answer);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, closed);
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket,
                     [socket, closed, finish](QAbstractSocket::SocketError error) {
                         if (error == QAbstractSocket::RemoteHostClosedError)
                             closed();
                         else
                             finish(failedTransport(socket->errorString()));
                     });
    QObject::connect(idle, &QTimer::timeout, socket,
                     [finish] { finish(failedTransport(QStringLiteral("The request timed out."))); });
    // Queued, so that the answer never arrives inside the caller's cancel().
    cancel.onCancel(socket, [socket, finish] {
        QMetaObject::invokeMethod(
            socket, [finish] { finish(cancelled()); }, Qt::QueuedConnection);
    });
    active();
    socket->connectToHost(url.host(), port);
    // A connection to the engine on this computer is made at once: waiting
    // for it here sends the request now instead of after whatever the caller
    // does before the event loop turns again.
    socket->waitForConnected(kConnectWait);
    return promise->future();
}

} // namespace EngineHttp
