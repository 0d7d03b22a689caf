#include "engine/Transcriber.h"

#include "engine/EngineHttp.h"
#include "engine/MlxServer.h"
#include "support/QuorvaneError.h"
#include "support/Text.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace Transcriber {

namespace {

constexpr qsizetype excerptLength = 300;

QFuture<HttpAnswer> send(const QByteArray& wav, double timeoutSeconds, const CancelToken& cancel = {}) {
    const QString boundary = newBoundary();
    QNetworkRequest request(MlxServer::baseURL().resolved(QUrl(QStringLiteral("v1/audio/transcriptions"))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("multipart/form-data; boundary=") + boundary);
    const int timeoutMs = static_cast<int>(std::lround(std::clamp(timeoutSeconds, 0.001, 86400.0) * 1000.0));
    return EngineHttp::send(request, "POST", multipartBody(wav, MlxServer::parakeetModelRef(), boundary), timeoutMs,
                            cancel);
}

// The trimmed string "text" member of a top-level JSON object, else empty.
QString textOf(const QJsonDocument& document) {
    return document.isObject() ? document.object().value(QStringLiteral("text")).toString().trimmed() : QString();
}

} // namespace

QString newBoundary() {
    return QStringLiteral("quorvane-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray multipartBody(const QByteArray& wav, const QString& model, const QString& boundary) {
    const QByteArray mark = boundary.toUtf8();
    QByteArray body;
    body.reserve(wav.size() + 256);
    body += "--" + mark + "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n" + model.toUtf8() + "\r\n";
    body += "--" + mark
            + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"audio.wav\"\r\n"
              "Content-Type: audio/wav\r\n\r\n";
    body += wav;
    body += "\r\n--" + mark + "--\r\n";
    return body;
}

QFuture<QString> transcribe(const QByteArray& wav, double timeoutSeconds, const CancelToken& cancel) {
    return send(wav, timeoutSeconds, cancel).then([](const HttpAnswer& answer) {
        if (answer.transportFailed)
            throw RequestFailed{answer.error, answer.heldByAnotherAccount};
        if (answer.status != 200)
            throw QuorvaneError{2, QStringLiteral("Transcription failed (HTTP %1)").arg(answer.status)};
        QJsonParseError parse{};
        const QJsonDocument document = QJsonDocument::fromJson(answer.body, &parse);
        if (parse.error != QJsonParseError::NoError)
            throw RequestFailed{parse.errorString()};
        // An answer without its text is the engine's failure, not silence.
        if (!document.isObject() || !document.object().value(QStringLiteral("text")).isString())
            throw QuorvaneError{2, QStringLiteral("Transcription failed (no text in the answer)")};
        return textOf(document);
    });
}

QFuture<Diagnosis> diagnose(const QByteArray& wav, double timeoutSeconds) {
    return send(wav, timeoutSeconds).then([](const HttpAnswer& answer) {
        Diagnosis diagnosis;
        if (answer.transportFailed) {
            diagnosis.error = answer.error;
            diagnosis.heldByAnotherAccount = answer.heldByAnotherAccount;
            return diagnosis;
        }
        diagnosis.status = answer.status;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(answer.body);
        const QString bodyText = utf8.hasError() ? QStringLiteral("<non-text %1 bytes>").arg(answer.body.size()) : text;
        diagnosis.transcript = textOf(QJsonDocument::fromJson(answer.body));
        diagnosis.bodyExcerpt = Text::graphemePrefix(bodyText, excerptLength);
        return diagnosis;
    });
}

} // namespace Transcriber
