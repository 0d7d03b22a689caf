// The chat request to the local model server and the reading of its reply.
#include "cleanup/CleanupEngine.h"
#include "cleanup/TextCleanup.h"
#include "engine/LlmServer.h"
#include "stores/DictionaryStore.h"
#include "support/Defaults.h"
#include "support/LlmFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray replyWith(const QString& content) {
    const QJsonObject message{{"role", "assistant"}, {"content", content}};
    return QJsonDocument(QJsonObject{{"choices", QJsonArray{QJsonObject{{"message", message}}}}}).toJson();
}

std::optional<QString> await(QFuture<std::optional<QString>> future) {
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 40000))
        return QStringLiteral("<still waiting>");
    return future.result();
}

TEST(CleanupRequest, SystemTextJoinsInstructionsNumbersStyleAndTheUsersWords) {
    const QString smart = CleanupEngine::numberInstruction(NumberStyle::Smart);
    const QString words = CleanupEngine::numberInstruction(NumberStyle::Words);
    const QString digits = CleanupEngine::numberInstruction(NumberStyle::Digits);
    ASSERT_NE(smart, digits);
    EXPECT_EQ(CleanupEngine::systemText(false, "", NumberStyle::Words, {}), CleanupEngine::cleanInstructions() + words);
    EXPECT_EQ(CleanupEngine::systemText(true, " \n\t", NumberStyle::Digits, {}),
              CleanupEngine::polishInstructions() + digits);
    EXPECT_EQ(CleanupEngine::systemText(false, "  Friendly, short sentences.\n", NumberStyle::Smart, {}),
              CleanupEngine::cleanInstructions() + smart
                  + "\nStyle for this text, applied only to wording and punctuation: Friendly, short sentences.");

    const QString withWords =
        CleanupEngine::systemText(false, "", NumberStyle::Words, {"Quorvane", "Kasia", "PostgreSQL"});
    const QString sentence = CleanupEngine::dictionarySentence({"Quorvane", "Kasia", "PostgreSQL"});
    EXPECT_EQ(withWords, CleanupEngine::cleanInstructions() + words + "\n" + sentence + ".");
    EXPECT_TRUE(sentence.contains("Quorvane, Kasia, PostgreSQL"));
    EXPECT_FALSE(sentence.contains("%@"));

    // No style given: the user's setting, "smart" when unset.
    Defaults::shared().set(QStringLiteral("numberStyle"), QStringLiteral("digits"));
    EXPECT_EQ(CleanupEngine::numberInstruction(std::nullopt), digits);
    Defaults::shared().remove(QStringLiteral("numberStyle"));
    EXPECT_EQ(CleanupEngine::numberInstruction(std::nullopt), smart);
}

TEST(CleanupRequest, OwnTextsUnveilCleanlyAndTheExamplesShowAClean) {
    for (const QString& text : {CleanupEngine::cleanInstructions(), CleanupEngine::polishInstructions(),
                                CleanupEngine::dictionarySentence({"x"})}) {
        EXPECT_GT(text.size(), 200);
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
        EXPECT_FALSE(text.contains(u'\u2014') || text.contains(u'\u2013')) << "the texts forbid these dashes";
    }
    ASSERT_EQ(CleanupEngine::cleanupExamples().size(), 3);
    for (const auto& [raw, cleaned] : CleanupEngine::cleanupExamples()) {
        EXPECT_NE(raw, cleaned);
        EXPECT_TRUE(cleaned.endsWith('.') || cleaned.endsWith('?'));
        EXPECT_FALSE(raw.contains(QChar::ReplacementCharacter) || cleaned.contains(QChar::ReplacementCharacter));
    }
}

TEST(CleanupRequest, BodyCarriesTheMessagesAndGenerationSettings) {
    const QByteArray body = CleanupEngine::llmRequestBody("org/model", "SYSTEM", "so um hello there");
    EXPECT_TRUE(body.contains("\"max_tokens\":2048")) << "an integer, not 2048.0";
    EXPECT_TRUE(body.contains("\"temperature\":0.2"));
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    EXPECT_EQ(object.keys(), (QStringList{"max_tokens", "messages", "model", "stop", "temperature"}));
    EXPECT_EQ(object.value("model").toString(), "org/model");
    EXPECT_EQ(object.value("stop").toArray(), (QJsonArray{"<tool_call", "<think>", "<|im_end|>", "</out>"}));

    const QJsonArray messages = object.value("messages").toArray();
    ASSERT_EQ(messages.size(), 8);
    QJsonArray expected{QJsonObject{{"role", "system"}, {"content", "SYSTEM"}}};
    for (const auto& [raw, cleaned] : CleanupEngine::cleanupExamples()) {
        expected.append(QJsonObject{{"role", "user"}, {"content", raw}});
        expected.append(QJsonObject{{"role", "assistant"}, {"content", cleaned}});
    }
    expected.append(QJsonObject{{"role", "user"}, {"content", "so um hello there"}});
    EXPECT_EQ(messages, expected);
}

TEST(CleanupRequest, ReplyIsUsedOnlyFromA200WithContentInsideTheLengthWindow) {
    const QString thirty = QString(30, 'a');
    EXPECT_EQ(CleanupEngine::llmReplyText(500, replyWith(QString(20, 'b')), thirty), std::nullopt);
    EXPECT_EQ(CleanupEngine::llmReplyText(200, R"({"choices":[]})", thirty), std::nullopt);
    EXPECT_EQ(CleanupEngine::llmReplyText(200, "not json", thirty), std::nullopt);
    EXPECT_EQ(CleanupEngine::llmReplyText(200, R"({"choices":[{"message":{"content":5}}]})", thirty), std::nullopt);
    EXPECT_EQ(CleanupEngine::llmReplyText(200, R"([{"message":{"content":"abcdefghijklmn"}}])", thirty), std::nullopt);

    // 30 characters spoken: 11 to 59 answered.
    for (const auto& [length, kept] : QList<QPair<int, bool>>{{10, false}, {11, true}, {59, true}, {60, false}})
        EXPECT_EQ(CleanupEngine::llmReplyText(200, replyWith(QString(length, 'b')), thirty).has_value(), kept)
            << length;
    // 2 characters spoken: 1 to 3 answered.
    for (const auto& [length, kept] : QList<QPair<int, bool>>{{1, true}, {3, true}, {4, false}})
        EXPECT_EQ(CleanupEngine::llmReplyText(200, replyWith(QString(length, 'b')), "ab").has_value(), kept) << length;
    // Markup, end-of-turn markers and a leading label are removed before the length check.
    EXPECT_EQ(CleanupEngine::llmReplyText(
                  200, replyWith("<out>Cleaned transcript: Hello there, how are you?</out><|im_end|>"),
                  "hello there how are you"),
              std::optional<QString>("Hello there, how are you?"));
    // Characters are what a person sees.
    EXPECT_TRUE(CleanupEngine::llmReplyText(200, replyWith(QString("e\u0301").repeated(11)), thirty).has_value());
}

class CleanupRequestServer : public testing::Test {
protected:
    void SetUp() override { DictionaryStore::setSnapshot({}); }
    void TearDown() override { DictionaryStore::setSnapshot({}); }
    LlmFixture fixture;
    CleanupEngine engine{Defaults::shared(), LlmServer::shared()};
};

TEST_F(CleanupRequestServer, SendsTheChatRequestAndPostProcessesTheAnswer) {
    ASSERT_TRUE(fixture.start(LlmServer::model()));
    DictionaryEntry entry;
    entry.id = QUuid::createUuid();
    entry.canonical = QStringLiteral("Quorvane");
    DictionaryStore::setSnapshot({entry});
    fixture.script({{"chat_content", "  so hello there , how are you doing today?  "}});

    const QString text = QStringLiteral("so um hello there how are you doing today");
    const auto cleaned = await(engine.runLocalLLMClean(text, true, QStringLiteral("Warm."), NumberStyle::Words));
    EXPECT_EQ(cleaned, std::optional(TextCleanup::postProcess("so hello there , how are you doing today?")));

    const QList<QJsonObject> sent = fixture.requests("/v1/chat/completions");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].value("content_type").toString(), "application/json");
    const QString system = CleanupEngine::systemText(true, "Warm.", NumberStyle::Words, {"Quorvane"});
    EXPECT_EQ(sent[0].value("body").toObject(),
              QJsonDocument::fromJson(CleanupEngine::llmRequestBody(LlmServer::model(), system, text)).object());
}

TEST_F(CleanupRequestServer, FailuresGiveNoText) {
    const QString text = QStringLiteral("hello there how are you");
    EXPECT_EQ(await(engine.runLocalLLMClean(text, false, {}, std::nullopt)), std::nullopt) << "nothing listening";

    ASSERT_TRUE(fixture.start(LlmServer::model()));
    fixture.script({{"chat_status", 500}, {"chat_content", "Hello there, how are you?"}});
    EXPECT_EQ(await(engine.runLocalLLMClean(text, false, {}, std::nullopt)), std::nullopt);
    fixture.script({{"chat_content", "Sure! Here is a much longer answer than anyone asked for, with extras."}});
    EXPECT_EQ(await(engine.runLocalLLMClean(text, false, {}, std::nullopt)), std::nullopt);
}

} // namespace
