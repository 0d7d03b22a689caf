#include "engine/VoiceAdapter.h"

#include "engine/EngineHttp.h"
#include "engine/MlxServer.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QNetworkRequest>

#include <cmath>
#include <limits>

namespace VoiceAdapter {

namespace {

const QString kStatusPath = QStringLiteral("v1/quorvane/adapt/status");

QUrl resolved(const QUrl& base, const QString& path) {
    return (base.isEmpty() ? MlxServer::baseURL() : base).resolved(QUrl(path));
}

QJsonObject objectOf(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    return document.isObject() ? document.object() : QJsonObject();
}

std::optional<int> integerOf(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(number);
}

} // namespace

QFuture<Posted> post(const QString& path, const QJsonObject& body, std::chrono::milliseconds timeout,
                     const QUrl& base) {
    QNetworkRequest request(resolved(base, path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    return EngineHttp::send(request, "POST", QJsonDocument(body).toJson(QJsonDocument::Compact), int(timeout.count()))
        .then([](const HttpAnswer& answer) {
            Posted posted;
            if (answer.transportFailed)
                posted.error = answer.error;
            else
                posted.answer = objectOf(answer.body);
            return posted;
        });
}

QFuture<std::optional<std::pair<int, int>>> progress(const QUrl& base) {
    QNetworkRequest request(resolved(base, kStatusPath));
    const int timeoutMs = int(std::chrono::milliseconds(kProgressTimeout).count());
    return EngineHttp::send(request, "GET", {}, timeoutMs).then([](const HttpAnswer& answer) {
        std::optional<std::pair<int, int>> result;
        if (answer.transportFailed)
            return result;
        const QJsonObject object = objectOf(answer.body);
        const std::optional<int> step = integerOf(object.value(QStringLiteral("step")));
        const std::optional<int> steps = integerOf(object.value(QStringLiteral("steps")));
        if (step && steps)
            result = std::make_pair(*step, *steps);
        return result;
    });
}

} // namespace VoiceAdapter
