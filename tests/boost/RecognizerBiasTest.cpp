#include "engine/RecognizerBias.h"
#include "engine/MlxServer.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/PortLock.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using Response = LoopbackHttpServer::Response;
using namespace std::chrono_literals;

class RecognizerBiasTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(listening);
        server.on("POST", "/v1/quorvane/bias", [](const auto&) { return Response::json(R"({"words":0,"boost":9})"); });
        bias.setProbePause(10ms);
    }

    // The word lists the server received, in arrival order.
    QList<QStringList> received() const {
        QList<QStringList> lists;
        for (const auto& request : server.requests()) {
            if (request.path != "/v1/quorvane/bias")
                continue;
            QStringList words;
            for (const auto& word : QJsonDocument::fromJson(request.body).object().value("words").toArray())
                words.append(word.toString());
            lists.append(words);
        }
        return lists;
    }

    int modelProbes() const {
        return int(std::count_if(server.requests().begin(), server.requests().end(),
                                 [](const auto& request) { return request.path == "/v1/models"; }));
    }

    // Lets queued sends go out and be answered.
    void settle() { QTest::qWait(300); }

    LoopbackHttpServer server;
    const bool listening = server.listen();
    QStringList words;
    RecognizerBias bias{server.url(), [this] { return words; }};
};

TEST(RecognizerBiasBody, CarriesTheWordsAndTheBoostOfNine) {
    const QJsonObject body = QJsonDocument::fromJson(RecognizerBias::body({"Nakamura", "Quorvane"})).object();
    EXPECT_EQ(body.value("words").toArray(), QJsonArray({"Nakamura", "Quorvane"}));
    EXPECT_EQ(body.value("boost").toDouble(), 9.0);
}

TEST_F(RecognizerBiasTest, AnEqualListIsSentOnceButAForcedOrReorderedOneAgain) {
    words = {"Nakamura", "Quorvane"};
    bias.push(false);
    settle();
    bias.push(false);
    settle();
    EXPECT_EQ(received().size(), 1);

    bias.push(true);
    settle();
    words = {"Quorvane", "Nakamura"};
    bias.push(false);
    settle();
    EXPECT_EQ(received(),
              (QList<QStringList>{{"Nakamura", "Quorvane"}, {"Nakamura", "Quorvane"}, {"Quorvane", "Nakamura"}}));
    EXPECT_EQ(server.requests().first().header("content-type"), "application/json");
    EXPECT_EQ(bias.lastSent(), (QStringList{"Quorvane", "Nakamura"}));
}

TEST_F(RecognizerBiasTest, AnEmptyDictionarySendsAnEmptyListWhenForced) {
    bias.push(false);
    settle();
    EXPECT_TRUE(received().isEmpty());
    bias.push(true);
    settle();
    EXPECT_EQ(received(), QList<QStringList>{QStringList{}});
}

TEST_F(RecognizerBiasTest, ASlowSendThenNewerPushesLeaveOnlyTheNewestListLast) {
    server.on("POST", "/v1/quorvane/bias", [this](const auto&) {
        Response response = Response::json("{}");
        // The first send is slow; later ones would overtake it if they were not held back.
        response.delayMs = received().size() == 1 ? 400 : 0;
        return response;
    });
    words = {"first"};
    bias.push(false);
    QTest::qWait(100);
    words = {"second"};
    bias.push(false);
    words = {"third"};
    bias.push(false);
    QTest::qWait(800);
    EXPECT_EQ(received(), (QList<QStringList>{{"first"}, {"third"}}));
}

TEST_F(RecognizerBiasTest, TheLaunchSendWaitsThroughServerErrorsAndLeavesLastSentAlone) {
    int probes = 0;
    server.on("GET", "/v1/models",
              [&probes](const auto&) { return Response::json(R"({"data":[]})", ++probes < 4 ? 503 : 200); });
    words = {"Nakamura"};
    EXPECT_TRUE(awaitResult(bias.sendOnceReady()));
    settle();
    EXPECT_EQ(probes, 4);
    EXPECT_EQ(received(), QList<QStringList>{{"Nakamura"}});
    EXPECT_TRUE(bias.lastSent().isEmpty());
}

TEST_F(RecognizerBiasTest, TheLaunchSendGivesUpAfterFortyFailedProbes) {
    server.on("GET", "/v1/models", [](const auto&) { return Response::json("{}", 500); });
    EXPECT_FALSE(awaitResult(bias.sendOnceReady(), 20000));
    EXPECT_EQ(modelProbes(), RecognizerBias::kMaxProbes);
    EXPECT_TRUE(received().isEmpty());
}

// An engine folder whose interpreter, whatever it is asked to run, serves
// HTTP on the speech server's port: it answers the readiness probe and knows
// nothing of any word list, as a freshly started server does.
class StandInEngine {
public:
    StandInEngine() {
        const QString python = folder.file(QStringLiteral("mlx-venv/bin/python"));
        QDir().mkpath(folder.file(QStringLiteral("mlx-venv/bin")));
        QFile script(python);
        made = script.open(QIODevice::WriteOnly)
               && script.write("#!/bin/sh\nexec /usr/bin/python3 -m http.server --bind 127.0.0.1 "
                               + QByteArray::number(MlxServer::port) + " >/dev/null 2>&1\n")
                      > 0
               && script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(folder.path()));
    }
    ~StandInEngine() { qunsetenv("QV_ENGINE_ROOT"); }

    TempFolder folder;
    bool made = false;
};

TEST_F(RecognizerBiasTest, EveryServerTheProgramLaunchesIsSentTheListOnceItAnswers) {
    // Test programs of other build folders launch speech servers on the port too.
    const PortLock port{MlxServer::port};
    StandInEngine engine;
    ASSERT_TRUE(engine.made);
    MlxServer speechServer;
    speechServer.setPollInterval(50ms);
    bias.follow(speechServer);
    const auto sentTimes = [this](qsizetype count) {
        return QTest::qWaitFor([&] { return received().size() >= count; }, 5000);
    };

    // The first launch, long after the launch's own send gave up.
    words = {"Nakamura"};
    ASSERT_TRUE(awaitResult(speechServer.ensureReady()));
    ASSERT_TRUE(sentTimes(1));

    // The server crashes and the next dictation launches it again.
    words = {"Nakamura", "Quorvane"};
    ASSERT_EQ(::kill(pid_t(speechServer.processId()), SIGKILL), 0);
    // The program has seen its server end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return speechServer.processId() == 0; }, 5000));
    ASSERT_TRUE(awaitResult(speechServer.ensureReady()));
    ASSERT_TRUE(sentTimes(2));

    // A repair stops the server and starts it again.
    words = {"Quorvane"};
    speechServer.stop();
    ASSERT_TRUE(awaitResult(speechServer.ensureReady()));
    ASSERT_TRUE(sentTimes(3));

    // The server takes connections but answers nothing, and is replaced.
    words = {"Quorvane", "Jaxon"};
    speechServer.setSilenceLimit(500ms);
    ASSERT_EQ(::kill(pid_t(speechServer.processId()), SIGSTOP), 0);
    ASSERT_TRUE(awaitResult(speechServer.ensureReady()));
    ASSERT_TRUE(speechServer.lastSilentReplacement());
    ASSERT_TRUE(sentTimes(4));

    // A server that was already answering is not sent the list again.
    ASSERT_TRUE(awaitResult(speechServer.ensureReady()));
    settle();
    speechServer.stop();

    EXPECT_EQ(received(),
              (QList<QStringList>{{"Nakamura"}, {"Nakamura", "Quorvane"}, {"Quorvane"}, {"Quorvane", "Jaxon"}}));
    EXPECT_TRUE(bias.lastSent().isEmpty());
}

} // namespace
