// The chat request to the local language-model server and the reading of its reply.
#include "cleanup/CleanupEngine.h"

#include "cleanup/GuiThread.h"
#include "cleanup/TextCleanup.h"
#include "engine/EngineKey.h"
#include "engine/ForeignListener.h"
#include "engine/LlmServer.h"
#include "stores/DictionaryStore.h"
#include "support/Defaults.h"
#include "support/Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPromise>

#include <memory>

QUrl CleanupEngine::llmBaseURL() {
    static const QUrl url(QStringLiteral("http://127.0.0.1:50062"));
    return url;
}

QString CleanupEngine::numberSentence(NumberStyle style) {
    switch (style) {
    case NumberStyle::Words:
        return QStringLiteral(" Write all numbers as spoken words; never convert them to digits.");
    case NumberStyle::Digits:
        return QStringLiteral(" Write spoken numbers as digits wherever it reads naturally, including prices, "
                              "percentages, times, versions, and counts.");
    case NumberStyle::Smart:
        break;
    }
    return QStringLiteral(" Write spoken numbers as digits where the meaning is clear (prices, percentages, "
                          "decimals, times, versions); keep small counts and fixed phrases as words.");
}

NumberStyle CleanupEngine::numberStyleSetting() {
    return numberStyleFromString(Defaults::shared().stringOr(QStringLiteral("numberStyle"), QStringLiteral("smart")));
}

QString CleanupEngine::numberInstruction(std::optional<NumberStyle> style) {
    return numberSentence(style.value_or(numberStyleSetting()));
}

QString CleanupEngine::systemText(bool aggressive, const QString& instruction, std::optional<NumberStyle> numbers,
                                  const QStringList& dictionaryWords) {
    QString text = aggressive ? polishInstructions() : cleanInstructions();
    text += numberInstruction(numbers);
    const QString style = instruction.trimmed();
    if (!style.isEmpty())
        text += QStringLiteral("\nStyle for this text, applied only to wording and punctuation: ") + style;
    if (!dictionaryWords.isEmpty())
        text += QLatin1Char('\n') + dictionarySentence(dictionaryWords) + QLatin1Char('.');
    return text;
}

QByteArray CleanupEngine::llmRequestBody(const QString& model, const QString& systemText, const QString& text) {
    const auto message = [](const char* role, const QString& content) {
        return QJsonObject{{QStringLiteral("role"), QLatin1String(role)}, {QStringLiteral("content"), content}};
    };
    QJsonArray messages{message("system", systemText)};
    for (const auto& [raw, cleaned] : cleanupExamples()) {
        messages.append(message("user", raw));
        messages.append(message("assistant", cleaned));
    }
    messages.append(message("user", text));
    const QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("messages"), messages},
        {QStringLiteral("temperature"), 0.2},
        {QStringLiteral("max_tokens"), 2048},
        {QStringLiteral("stop"), QJsonArray{QStringLiteral("<tool_call"), QStringLiteral("<think>"),
                                            QStringLiteral("<|im_end|>"), QStringLiteral("</out>")}},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

std::optional<QString> CleanupEngine::llmReplyText(int httpStatus, const QByteArray& body, const QString& text) {
    if (httpStatus != 200)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonArray choices = document.object().value(QStringLiteral("choices")).toArray();
    if (!document.isObject() || choices.isEmpty())
        return std::nullopt;
    const QJsonValue content =
        choices.first().toObject().value(QStringLiteral("message")).toObject().value(QStringLiteral("content"));
    if (!content.isString())
        return std::nullopt;
    const QString reply = stripLeadingLabel(stripModelArtifacts(content.toString().trimmed()).trimmed());
    // A reply far shorter or longer than the transcript dropped or invented content.
    const qsizetype spoken = Text::graphemeCount(text);
    const qsizetype answered = Text::graphemeCount(reply);
    if (!(spoken / 3 < answered && answered < 2 * spoken))
        return std::nullopt;
    return reply;
}

QFuture<std::optional<QString>> CleanupEngine::runLocalLLMClean(const QString& text, bool aggressive,
                                                                const QString& instruction,
                                                                std::optional<NumberStyle> numbers) {
    auto promise = std::make_shared<QPromise<std::optional<QString>>>();
    promise->start();
    const QByteArray body = llmRequestBody(
        LlmServer::model(), systemText(aggressive, instruction, numbers, DictionaryStore::canonicals()), text);
    runOnGuiThread(this, [this, promise, body, text] {
        // The dictated text and the dictionary words go to no other account's listener.
        if (ForeignListener::holds(quint16(llmBaseURL().port()))) {
            promise->addResult(std::nullopt);
            promise->finish();
            return;
        }
        if (!m_network)
            m_network = std::make_unique<QNetworkAccessManager>();
        QNetworkRequest request(llmBaseURL().resolved(QUrl(QStringLiteral("v1/chat/completions"))));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        request.setTransferTimeout(int(llmTimeout().count()));
        EngineKey::sign(request);
        QNetworkReply* reply = m_network->post(request, body);
        QObject::connect(reply, &QNetworkReply::finished, reply, [promise, reply, text] {
            reply->deleteLater();
            // A transport failure has no status and gives no text.
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            std::optional<QString> cleaned = llmReplyText(status, reply->readAll(), text);
            if (cleaned)
                cleaned = TextCleanup::postProcess(*cleaned, std::nullopt);
            promise->addResult(std::move(cleaned));
            promise->finish();
        });
    });
    return promise->future();
}
