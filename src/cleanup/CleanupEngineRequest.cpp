// The chat request to the local language-model server and the reading of its reply.
#include "cleanup/CleanupEngine.h"

#include "support/Defaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QUrl CleanupEngine::llmBaseURL() {
    static const QUrl url(QStringLiteral("http://127.0.0.1:50062"));
    return url;
}

QString CleanupEngine::numberSentence(const QString& style) {
    if (style == QStringLiteral("words"))
        return QStringLiteral(" Write all numbers as spoken words; never convert them to digits.");
    if (style == QStringLiteral("digits"))
        return QStringLiteral(" Write spoken numbers as digits wherever it reads naturally, including prices, "
                              "percentages, times, versions, and counts.");
    return QStringLiteral(" Write spoken numbers as digits where the meaning is clear (prices, percentages, "
                          "decimals, times, versions); keep small counts and fixed phrases as words.");
}

QString CleanupEngine::numberInstruction(const std::optional<QString>& style) {
    return numberSentence(style ? *style : Defaults::shared().stringOr(QStringLiteral("numberStyle"),
                                                                       QStringLiteral("smart")));
}

QString CleanupEngine::systemText(bool aggressive, const QString& instruction, const std::optional<QString>& numbers,
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
