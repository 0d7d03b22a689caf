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

} // namespace

QFuture<HttpAnswer> send(QNetworkRequest request, const QByteArray& verb, const QByteArray& body, int timeoutMs) {
    if (timeoutMs > 0)
        request.setTransferTimeout(timeoutMs);
    auto promise = std::make_shared<QPromise<HttpAnswer>>();
    promise->start();
    QNetworkReply* reply = loader().sendCustomRequest(request, verb, body);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, promise] {
        HttpAnswer answer;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid()) {
            answer.status = status.toInt();
        } else if (reply->error() != QNetworkReply::NoError) {
            answer.transportFailed = isTransportError(reply->error());
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
