#include "reader/ReaderWindowController.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using Timed = ReaderWindowController;

HttpAnswer answer(const QByteArray& body, int status = 200) { return {status, body, false, {}}; }

// "RIFF" in Base64.
const QByteArray kAudio = "UklGRg==";

TEST(TimedAnswerTest, AcceptsAStrictBase64AudioWithItsWordsAndDuration) {
    const std::optional<Timed::TimedResult> result = Timed::decodeTimedAnswer(answer(
        R"({"audio":"UklGRg==","words":[{"text":"Hi","start":0.1,"end":0.4},{"text":"there","start":0.4,"end":0.9}],)"
        R"("duration":1.25,"sample_rate":24000})"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->audio, QByteArray("RIFF"));
    EXPECT_EQ(result->words, (QList<Timed::TimedResult::Word>{{"Hi", 0.1, 0.4}, {"there", 0.4, 0.9}}));
    EXPECT_DOUBLE_EQ(result->duration, 1.25);
}

TEST(TimedAnswerTest, RejectsAnswersWithoutUsableAudio) {
    const QList<HttpAnswer> answers = {
        answer(R"({"audio":"UklGRg=="})", 201),
        HttpAnswer{-1, {}, true, QStringLiteral("refused")},
        answer("not json"),
        answer(R"(["UklGRg=="])"),
        answer(R"({"words":[]})"),
        answer(R"({"audio":42})"),
        answer(R"({"audio":"UklGRg"})"),    // padding missing
        answer(R"({"audio":"UklG Rg=="})"), // white space inside
        answer(R"({"audio":"Uk=lGRg="})"),  // padding in the middle
        answer(R"({"audio":"UklGRg=*"})"),
    };
    for (const HttpAnswer& bad : answers)
        EXPECT_FALSE(Timed::decodeTimedAnswer(bad)) << bad.status << " " << bad.body.constData();
}

TEST(TimedAnswerTest, SkipsBadWordsOneByOneAndDefaultsTheDuration) {
    const std::optional<Timed::TimedResult> result = Timed::decodeTimedAnswer(answer(
        R"({"audio":"UklGRg==","duration":"long","words":[{"text":"a","start":0,"end":1},{"text":"hi","start":0.1},)"
        R"({"text":1,"start":0,"end":1},{"text":"b","start":true,"end":1},"word",null,{"text":"c","start":2,"end":"3"},)"
        R"({"text":"d","start":3,"end":4}]})"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->words, (QList<Timed::TimedResult::Word>{{"a", 0, 1}, {"d", 3, 4}}));
    EXPECT_EQ(result->duration, 0);

    const std::optional<Timed::TimedResult> noWords =
        Timed::decodeTimedAnswer(answer(R"({"audio":"","words":{"text":"a"}})"));
    ASSERT_TRUE(noWords);
    EXPECT_TRUE(noWords->audio.isEmpty());
    EXPECT_TRUE(noWords->words.isEmpty());
}

TEST(TimedAnswerTest, RequestGoesToTheTimedEndpointAtNormalSpeed) {
    LoopbackHttpServer server;
    ASSERT_TRUE(server.listen());
    server.on("POST", "/v1/audio/speech_timed", [](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response::json(R"({"audio":"UklGRg==","duration":0.5})");
    });
    const auto result =
        awaitResult(Timed::synthesizeTimed(QStringLiteral("Hello"), QStringLiteral("bf_emma"), server.url()));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->audio, QByteArray("RIFF"));
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject body = QJsonDocument::fromJson(server.requests().first().body).object();
    EXPECT_EQ(body.value("input").toString(), QStringLiteral("Hello"));
    EXPECT_EQ(body.value("voice").toString(), QStringLiteral("bf_emma"));
    EXPECT_EQ(body.value("speed").toDouble(), 1.0);
    EXPECT_EQ(body.value("lang_code").toString(), QStringLiteral("b"));
    EXPECT_EQ(QJsonDocument::fromJson(Timed::timedRequestBody("x", "")).object().value("lang_code").toString(),
              QStringLiteral("a"));
}

TEST(SuggestedNameTest, KeepsTheFirstSixWordsAndSixtyCharacters) {
    EXPECT_EQ(Timed::suggestedName(QStringLiteral("One two, three! four\nfive six seven")),
              QStringLiteral("One two three four five six.m4a"));
    EXPECT_EQ(Timed::suggestedName(QStringLiteral("?!… --- //")), QStringLiteral("Reading.m4a"));
    EXPECT_EQ(Timed::suggestedName(QString(80, u'w')), QString(60, u'w') + QStringLiteral(".m4a"));
    EXPECT_EQ(Timed::suggestedName(QStringLiteral("../etc/passwd")), QStringLiteral("etc passwd.m4a"));
}

TEST(SuggestedNameTest, DropsEmojiKeepsRightToLeftWordsAndCutsOnCharacters) {
    EXPECT_EQ(Timed::suggestedName(QStringLiteral("Party 🎉 time 👍🏽 now")),
              QStringLiteral("Party time now.m4a"));
    EXPECT_EQ(Timed::suggestedName(QStringLiteral("שלום עולם, مرحبا بالعالم")),
              QStringLiteral("שלום עולם مرحبا بالعالم.m4a"));
    // 59 letters and then a letter with a combining accent: the accent stays
    // with its letter.
    const QString accented = QString(59, u'a') + QStringLiteral("e\u0301xyz");
    EXPECT_EQ(Timed::suggestedName(accented), QString(59, u'a') + QStringLiteral("e\u0301.m4a"));
}

TEST(ReaderTraceTest, WritesOnlyWhenSwitchedOnAndCreatesItsFolder) {
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    ScopedEnvironment environment;
    environment.unset("QUORVANE_READER_TRACE");
    QFile::remove(Timed::traceFile());
    Timed::trace(QStringLiteral("quiet"), defaults);
    EXPECT_FALSE(QFile::exists(Timed::traceFile()));

    defaults.set(QStringLiteral("readerWindowTrace"), true);
    Timed::trace(QStringLiteral("first"), defaults);
    defaults.set(QStringLiteral("readerWindowTrace"), false);
    environment.set("QUORVANE_READER_TRACE", "1");
    Timed::trace(QStringLiteral("second ✓"), defaults);
    environment.set("QUORVANE_READER_TRACE", "yes");
    Timed::trace(QStringLiteral("third"), defaults);

    QFile file(Timed::traceFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith("Z  first")) << lines[0].constData();
    EXPECT_TRUE(lines[1].endsWith("  second ✓"));
    EXPECT_TRUE(lines[2].isEmpty());
}

} // namespace
