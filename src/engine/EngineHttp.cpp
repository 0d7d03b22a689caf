#include "engine/EngineHttp.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QPromise>

#include <memory>

namespace EngineHttp {

namespace {

QNetworkAccessManager& loader() {
    static QPointer<QNetworkAccessManager> shared;
    if (!shared)
        shared = new QNetworkAccessManager(QCoreApplication::instance());
    return *shared;
}

// Errors that mean no answer came: the connection could not be made or was
// lost, or the request timed out (Qt reports that as cancelled).
bool isTransportError(QNetworkReply::NetworkError error) {
    return (error > QNetworkReply::NoError && error <= QNetworkReply::UnknownNetworkError) ||
           (error >= QNetworkReply::ProxyConnectionRefusedError && error <= QNetworkReply::UnknownProxyError);
}

HttpAnswer cancelled() {
    HttpAnswer answer;
    answer.transportFailed = true;
    answer.error = QStringLiteral("The request was cancelled.");
    return answer;
}

} // namespace

QFuture<HttpAnswer> send(QNetworkRequest request, const QByteArray& verb, const QByteArray& body, int timeoutMs,
                         const CancelToken& cancel) {
    if (cancel.isCancelled())
        return QtFuture::makeReadyFuture(cancelled());
    if (timeoutMs > 0)
        request.setTransferTimeout(timeoutMs);
    auto promise = std::make_shared<QPromise<HttpAnswer>>();
    promise->start();
    QNetworkReply* reply = loader().sendCustomRequest(request, verb, body);
    // Queued, so that the answer never arrives inside the caller's cancel().
    cancel.onCancel(reply, [reply] { QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, promise, cancel] {
        HttpAnswer answer;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid()) {
            answer.status = status.toInt();
        } else if (reply->error() == QNetworkReply::OperationCanceledError && cancel.isCancelled()) {
            answer = cancelled();
        } else if (reply->error() != QNetworkReply::NoError) {
            answer.transportFailed = isTransportError(reply->error());
            // A transfer time-out is reported as cancelled, too.
            answer.error = reply->error() == QNetworkReply::OperationCanceledError
                               ? QStringLiteral("The request timed out.")
                               : reply->errorString();
        }
        if (reply->isOpen())
            answer.body = reply->readAll();
        promise->addResult(answer);
        promise->finish();
        reply->deleteLater();
    });
    return promise->future();
}

} // namespace EngineHttp
