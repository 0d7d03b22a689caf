// The cleanup pipeline: which way of cleaning wins, with a real helper process,
// a stand-in model server and the rule passes.
#include "cleanup/CleanupEngine.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/LlmFixture.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include <signal.h>

// Shows the way a clean-up went by its name in failure messages.
void PrintTo(CleanupWay way, std::ostream* out) { *out << toString(way).toStdString(); }

namespace {

using Result = CleanupEngine::Result;

const QString transcript = QStringLiteral("um so I think we should meet on friday afternoon");
const QString goodAnswer = QStringLiteral("I think we should meet on Friday afternoon.");

Result await(QFuture<Result> future) {
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 40000))
        return {QStringLiteral("<still waiting>"), {}};
    return future.result();
}

class CleanupPipelineTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_RESOURCES", resources.path().toUtf8());
        LlmServer::shared().stopIfOwned();
    }
    void TearDown() override {
        cleanup.discardWarm();
        LlmServer::shared().stopIfOwned();
        for (const char* key : {"useAppleIntelligence", "listsFromCounting"})
            Defaults::shared().remove(QLatin1String(key));
        qunsetenv("QUORVANE_RESOURCES");
        qunsetenv("QV_ENGINE_ROOT");
    }

    // A helper program that reads the text and then runs `body` (shell).
    void installHelper(const QByteArray& body) {
        const QString path = resources.write("bin/quorvane-helper", "#!/bin/sh\ncat >/dev/null\n" + body + "\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        Defaults::shared().set(QStringLiteral("useAppleIntelligence"), true);
    }

    // A model server that someone else started, warmed and answering `content`.
    void serverAnswers(const QString& content) {
        ASSERT_TRUE(fixture.running() || fixture.start(LlmServer::model()));
        fixture.script({{"chat_content", content}});
        const auto warmed = LlmServer::shared().warmUp();
        ASSERT_TRUE(QTest::qWaitFor([&] { return warmed.isFinished(); }, 40000));
        ASSERT_TRUE(LlmServer::shared().isReady());
    }

    Result clean(const QString& text, bool allowInferredLists = true) {
        return await(cleanup.clean(text, false, {}, std::nullopt, allowInferredLists));
    }

    QString fromModel(const QString& answer) const {
        return CleanupEngine::closingRulePass(CleanupEngine::stripFillers(answer), std::nullopt, true);
    }

    ScopedFakePlatform fakes;
    TempFolder resources;
    LlmFixture fixture;
    CleanupEngine cleanup{Defaults::shared(), LlmServer::shared()};
};

TEST_F(CleanupPipelineTest, FewerThanFourWordsTakeTheQuickPathAndDropTheWarmHelper) {
    installHelper("printf 'Send it now please.'");
    serverAnswers(QStringLiteral("Send it now, please."));
    cleanup.prewarm();
    ASSERT_NE(cleanup.warmHelperProcessId(), 0);
    const qsizetype chats = fixture.requests("/v1/chat/completions").size();

    Result result = clean(QStringLiteral("send it now"));
    EXPECT_EQ(result.way, CleanupWay::Quick);
    EXPECT_EQ(result.text,
              CleanupEngine::closingRulePass(CleanupEngine::stripFillers("send it now"), std::nullopt, true));
    EXPECT_EQ(cleanup.warmHelperProcessId(), 0);
    EXPECT_EQ(fixture.requests("/v1/chat/completions").size(), chats) << "no model was asked";

    EXPECT_EQ(clean(QStringLiteral(" \t\n  ")).way, CleanupWay::Quick);
    EXPECT_EQ(clean(QStringLiteral("one\ttwo\nthree")).way, CleanupWay::Quick);
    EXPECT_NE(clean(QStringLiteral("one\ttwo\nthree\u00a0four")).way, CleanupWay::Quick);
}

TEST_F(CleanupPipelineTest, WithNeitherModelTheRulesCleanOnce) {
    const Result result = clean(transcript);
    EXPECT_EQ(result.way, CleanupWay::Regex);
    EXPECT_EQ(result.text, CleanupEngine::rulesOnlyClean(transcript, std::nullopt, true));
}

TEST_F(CleanupPipelineTest, TheHelpersAcceptedAnswerWins) {
    installHelper("printf 'Cleaned transcript: %s' '" + goodAnswer.toUtf8() + "'");
    serverAnswers(QStringLiteral("Not this one, we should meet on Friday."));
    const Result result = clean(transcript);
    EXPECT_EQ(result.way, CleanupWay::AppleIntelligence);
    EXPECT_EQ(result.text, fromModel(goodAnswer));
}

TEST_F(CleanupPipelineTest, ARejectedOrFailedHelperFallsToTheServer) {
    serverAnswers(goodAnswer);
    const QList<QByteArray> helpers = {
        "printf '{\"items\": [\"meet\", \"friday\"]}'", // structured data
        "printf 'Sounds good to me!'",                  // lost the content
        "exit 1",
    };
    for (const QByteArray& helper : helpers) {
        installHelper(helper);
        const Result result = clean(transcript);
        EXPECT_EQ(result.way, CleanupWay::LocalLlm) << helper.toStdString();
        EXPECT_EQ(result.text, fromModel(goodAnswer));
    }
    // Switched on but not installed: straight to the server.
    QFile::remove(resources.file("bin/quorvane-helper"));
    EXPECT_EQ(clean(transcript).way, CleanupWay::LocalLlm);
    EXPECT_EQ(LlmServer::shared().requestsInFlight(), 0);
}

TEST_F(CleanupPipelineTest, ARejectedOrFailedServerAnswerFallsToTheRules) {
    installHelper("exit 2");
    for (const QString& answer : {QStringLiteral("[{\"text\": 1}]"), QStringLiteral("Yes."),
                                  QStringLiteral("It is Tuesday today, so Friday is in three days time.")}) {
        serverAnswers(answer);
        const Result result = clean(transcript);
        EXPECT_EQ(result.way, CleanupWay::Regex) << answer.toStdString();
        EXPECT_EQ(result.text, CleanupEngine::rulesOnlyClean(transcript, std::nullopt, true));
    }
    fixture.script({{"chat_status", 500}, {"chat_content", goodAnswer}});
    EXPECT_EQ(clean(transcript).way, CleanupWay::Regex);
    EXPECT_EQ(LlmServer::shared().requestsInFlight(), 0);
}

// An engine that goes while a helper and the model server still work on its
// requests: each request ends without a result, the helper goes with the
// engine and the server counts no request in flight.
TEST_F(CleanupPipelineTest, RequestsUnderWayEndWithTheEngine) {
    const QString pidFile = resources.file("helper.pid");
    installHelper("echo $$ > '" + pidFile.toUtf8() + "'\nexec sleep 30");
    serverAnswers(goodAnswer);
    fixture.script({{"chat_content", goodAnswer}, {"chat_delay", 5}});
    const qsizetype chats = fixture.requests("/v1/chat/completions").size();
    auto engine = std::make_unique<CleanupEngine>(Defaults::shared(), LlmServer::shared());

    const QFuture<Result> throughHelper = engine->clean(transcript, false, {}, std::nullopt, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return resources.read("helper.pid").trimmed().toLongLong() > 0; }, 10000));
    const qint64 helper = resources.read("helper.pid").trimmed().toLongLong();
    Defaults::shared().set(QStringLiteral("useAppleIntelligence"), false);
    const QFuture<Result> throughServer = engine->clean(transcript, false, {}, std::nullopt, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.requests("/v1/chat/completions").size() > chats; }, 10000));
    ASSERT_EQ(LlmServer::shared().requestsInFlight(), 1);

    engine.reset();
    QTest::qWait(100);
    for (const QFuture<Result>& request : {throughHelper, throughServer}) {
        EXPECT_TRUE(request.isFinished());
        EXPECT_TRUE(request.isCanceled());
    }
    EXPECT_NE(::kill(pid_t(helper), 0), 0) << "the helper is gone";
    EXPECT_EQ(LlmServer::shared().requestsInFlight(), 0);
}

TEST_F(CleanupPipelineTest, InferredListsFollowTheCallAndTheSetting) {
    const QString counted = QStringLiteral("first, buy milk. second, call mom. third, pay the rent.");
    ASSERT_NE(CleanupEngine::rulesOnlyClean(counted, std::nullopt, true),
              CleanupEngine::rulesOnlyClean(counted, std::nullopt, false));
    EXPECT_EQ(clean(counted, true).text, CleanupEngine::rulesOnlyClean(counted, std::nullopt, true));
    EXPECT_FALSE(clean(counted, false).text.contains(u'•'));
    Defaults::shared().set(QStringLiteral("listsFromCounting"), false);
    EXPECT_FALSE(clean(counted, true).text.contains(u'•'));
}

TEST_F(CleanupPipelineTest, PressureDuringRequestsReleasesTheModelAfterTheLastOne) {
    TempFolder engine;
    qputenv("QV_ENGINE_ROOT", engine.path().toUtf8());
    engine.mkdir("llm-venv/bin");
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/python3"), engine.file("llm-venv/bin/python")));
    // The guard the server runs under, among this test's resources.
    QFile guard(QStringLiteral(QUORVANE_TEST_SOURCE "/../resources/engine/model-server-guard.py"));
    ASSERT_TRUE(guard.open(QIODevice::ReadOnly));
    resources.write("engine/model-server-guard.py", guard.readAll());
    LlmServer& server = LlmServer::shared();
    server.watchMemory();
    const auto started = server.ensureStarted();
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.isFinished(); }, 40000));
    ASSERT_TRUE(server.ownsProcess());
    ASSERT_TRUE(server.isReady());

    fixture.script({{"chat_content", goodAnswer}, {"chat_delay", 0.8}});
    const auto first = cleanup.clean(transcript, false, {}, std::nullopt, true);
    const auto second = cleanup.clean(transcript, false, {}, std::nullopt, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestsInFlight() == 2; }, 5000));
    fakes.memoryPressure.raise(MemoryPressure::Level::Warning);
    EXPECT_TRUE(server.ownsProcess()) << "requests in flight keep the model";

    EXPECT_EQ(await(first).way, CleanupWay::LocalLlm);
    EXPECT_EQ(await(second).way, CleanupWay::LocalLlm);
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_FALSE(server.isReady());
    EXPECT_EQ(server.requestsInFlight(), 0);
    QFile log(MlxServer::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("memory is short: released the cleanup model"), 1);
}

} // namespace
