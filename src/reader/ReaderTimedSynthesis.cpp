// The speech engine's timed synthesis: the request, and its answer read into
// audio and the time of every spoken word.
#include "reader/ReaderWindowController.h"

#include "engine/MlxServer.h"
#include "reader/KokoroVoice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>

namespace {

const QString kSpeechModel = QStringLiteral("mlx-community/Kokoro-82M-bf16");

// Standard Base64 as a strict decoder takes it: whole groups of four from the
// alphabet, "=" only as the padding of the last group.
std::optional<QByteArray> strictBase64(const QByteArray& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    qsizetype padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        const char c = text[i];
        const bool alphabet =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (!alphabet)
            return std::nullopt;
    }
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return decoded.decoded;
}

} // namespace

QByteArray ReaderWindowController::timedRequestBody(const QString& text, const QString& voice) {
    const QJsonObject body{
        {QStringLiteral("model"), kSpeechModel},
        {QStringLiteral("input"), text},
        {QStringLiteral("voice"), voice},
        {QStringLiteral("speed"), 1.0},
        {QStringLiteral("lang_code"), KokoroVoice::languageCode(voice)},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QFuture<std::optional<ReaderWindowController::TimedResult>>
ReaderWindowController::synthesizeTimed(const QString& text, const QString& voice) {
    return synthesizeTimed(text, voice, MlxServer::baseURL());
}

QFuture<std::optional<ReaderWindowController::TimedResult>>
ReaderWindowController::synthesizeTimed(const QString& text, const QString& voice, const QUrl& server) {
    QUrl url = server;
    url.setPath(url.path().endsWith(u'/') ? url.path() + QStringLiteral("v1/audio/speech_timed")
                                          : url.path() + QStringLiteral("/v1/audio/speech_timed"));
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const int timeout = int(std::chrono::duration_cast<std::chrono::milliseconds>(kTimedTimeout).count());
    return EngineHttp::send(request, "POST", timedRequestBody(text, voice), timeout).then([](const HttpAnswer& answer) {
        return decodeTimedAnswer(answer);
    });
}

std::optional<ReaderWindowController::TimedResult> ReaderWindowController::decodeTimedAnswer(const HttpAnswer& answer) {
    if (answer.transportFailed || answer.status != 200)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue audio = object.value(QStringLiteral("audio"));
    if (!audio.isString())
        return std::nullopt;
    const std::optional<QByteArray> bytes = strictBase64(audio.toString().toLatin1());
    if (!bytes)
        return std::nullopt;

    TimedResult result;
    result.audio = *bytes;
    const QJsonValue words = object.value(QStringLiteral("words"));
    if (words.isArray()) {
        for (const QJsonValue& entry : words.toArray()) {
            const QJsonObject word = entry.toObject();
            const QJsonValue text = word.value(QStringLiteral("text"));
            const QJsonValue start = word.value(QStringLiteral("start"));
            const QJsonValue end = word.value(QStringLiteral("end"));
            if (!entry.isObject() || !text.isString() || !start.isDouble() || !end.isDouble())
                continue;
            result.words.append({text.toString(), start.toDouble(), end.toDouble()});
        }
    }
    const QJsonValue duration = object.value(QStringLiteral("duration"));
    result.duration = duration.isDouble() ? duration.toDouble() : 0;
    return result;
}
