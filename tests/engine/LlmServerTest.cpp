// Supervision of the cleanup language-model server against a stand-in server
// (tests/support/llm_fixture) launched through a fake engine interpreter.
#include "engine/LlmServer.h"
#include "cleanup/CleanupEngine.h"
#include "engine/EngineKey.h"
#include "engine/ForeignListener.h"
#include "engine/MlxServer.h"
#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/ProcProcessTable.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/LlmFixture.h"
#include "support/OtherAccountListener.h"
#include "support/TempFolder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

bool processExists(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

template <typename T> bool finishes(const QFuture<T>& future, int timeoutMs = 40000) {
    return QTest::qWaitFor([&] { return future.isFinished(); }, timeoutMs);
}

class LlmServerTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("QV_ENGINE_ROOT", engine.path().toUtf8());
        // Servers are launched, found and replaced for real.
        Platform services = Platform::current();
        services.processTable = &processes;
        services.childProcesses = &children;
        Platform::install(services);
    }
    void TearDown() override { qunsetenv("QV_ENGINE_ROOT"); }

    void installInterpreter(const QString& venv = QStringLiteral("llm-venv")) {
        engine.mkdir(venv + "/bin");
        ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/python3"), engine.file(venv + "/bin/python")));
    }

    // A server this test starts itself, as an earlier launch would have left it.
    void startForeignServer(const QString& model) { ASSERT_TRUE(fixture.start(model)); }

    static LlmServer::Config config() {
        LlmServer::Config config;
        config.model = QStringLiteral("test/model-a");
        config.pollSleep = std::chrono::milliseconds(50);
        config.pollAttempts = 600;
        config.probeTimeout = std::chrono::milliseconds(1000);
        return config;
    }

    ProcProcessTable processes;
    PdeathsigChildProcesses children;
    ScopedFakePlatform fakes;
    TempFolder engine;
    LlmFixture fixture;
};

TEST_F(LlmServerTest, ModelAndInterpreterFollowTheEnvironmentAndTheEngineFolder) {
    qputenv("QV_CLEANUP_MODEL", "");
    EXPECT_EQ(LlmServer::modelFromEnvironment(), QString()) << "present but empty still counts";
    qputenv("QV_CLEANUP_MODEL", "org/other");
    EXPECT_EQ(LlmServer::modelFromEnvironment(), QStringLiteral("org/other"));
    qunsetenv("QV_CLEANUP_MODEL");
    EXPECT_EQ(LlmServer::modelFromEnvironment(), QStringLiteral("mlx-community/Qwen3-4B-Instruct-2507-4bit"));

    EXPECT_EQ(LlmServer::venvPython(), std::nullopt);
    installInterpreter("llm-venv");
    EXPECT_EQ(LlmServer::venvPython(), std::optional<QString>(engine.file("llm-venv/bin/python")));
    installInterpreter("mlx-venv");
    EXPECT_EQ(LlmServer::venvPython(), std::optional<QString>(engine.file("mlx-venv/bin/python")));

    // Only an interpreter that carries the server package serves a model.
    EXPECT_FALSE(LlmServer::modelPackaged());
    engine.write("mlx-venv/lib/python3.11/site-packages/mlx_audio/__init__.py", "");
    EXPECT_FALSE(LlmServer::modelPackaged());
    engine.write("mlx-venv/lib/python3.11/site-packages/mlx_lm/__init__.py", "");
    EXPECT_TRUE(LlmServer::modelPackaged());

    EXPECT_TRUE(LlmServer::servesModel("/e/llm-venv/bin/python -m mlx_lm server --model a/b --host x", "a/b"));
    EXPECT_FALSE(LlmServer::servesModel("/e/llm-venv/bin/python -m mlx_lm server --model a/b-8bit --host", "a/b"));
    EXPECT_FALSE(LlmServer::servesModel("/e/llm-venv/bin/python -m mlx_lm server --model a/b", "a/b"));
}

TEST_F(LlmServerTest, WithoutAnInterpreterNothingIsLaunched) {
    LlmServer server(config());
    const auto started = server.ensureStarted();
    ASSERT_TRUE(finishes(started));
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_FALSE(server.isReady());
}

TEST_F(LlmServerTest, ReadyOnlyOnceTheModelListAnswers200AndTheWarmUpSucceeds) {
    installInterpreter();
    fixture.script({{"models_status", 503}});
    LlmServer server(config());
    const auto started = server.ensureStarted();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.requests("/v1/models").size() >= 3; }, 10000));
    EXPECT_TRUE(server.ownsProcess());
    EXPECT_FALSE(started.isFinished()) << "503 counts as down: still polling";
    EXPECT_FALSE(server.isReady());

    fixture.script({{"models_status", 200}});
    ASSERT_TRUE(finishes(started));
    EXPECT_TRUE(server.isReady());
    const QList<QJsonObject> warmUps = fixture.requests("/v1/chat/completions");
    ASSERT_EQ(warmUps.size(), 1);
    EXPECT_EQ(warmUps[0].value("content_type").toString(), "application/json");
    EXPECT_EQ(warmUps[0].value("body").toObject(),
              QJsonDocument::fromJson(R"({"model":"test/model-a","messages":[{"role":"user","content":"Say ready."}],
                                          "max_tokens":4})")
                  .object());

    // The launch is the engine's interpreter running the package's own
    // server under our guard.
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(server.processId()));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    const QList<QByteArray> arguments = cmdline.readAll().split('\0');
    EXPECT_EQ(arguments.value(1), "-c");
    EXPECT_TRUE(arguments.value(2).startsWith("# The guard Quorvane runs the cleanup model server under."));
    EXPECT_EQ(arguments.mid(3, 9), (QList<QByteArray>{"-m", "mlx_lm", "server", "--model", "test/model-a", "--host",
                                                      "127.0.0.1", "--port", "50062"}));

    fixture.script({{"chat_status", 500}});
    const auto warmed = server.warmUp();
    ASSERT_TRUE(finishes(warmed));
    EXPECT_FALSE(server.isReady()) << "the last warm-up decides";
}

TEST_F(LlmServerTest, TheLaunchedServerEndsWithThisProgramEvenWhenItIsKilled) {
    // The interpreter notes the signal it gets when its parent dies, then runs the stand-in server.
    const QString python = engine.write(QStringLiteral("llm-venv/bin/python"), R"(#!/usr/bin/python3
import ctypes, os, sys
PR_GET_PDEATHSIG = 2
signal = ctypes.c_int(-1)
ctypes.CDLL(None).prctl(PR_GET_PDEATHSIG, ctypes.byref(signal))
with open(os.path.join(os.environ["QV_ENGINE_ROOT"], "parent-death-signal"), "w") as note:
    note.write(str(signal.value))
os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv[1:])
)");
    ASSERT_TRUE(QFile::setPermissions(python, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_TRUE(server.isReady());
    EXPECT_EQ(engine.read(QStringLiteral("parent-death-signal")), QByteArray::number(SIGTERM));
}

TEST_F(LlmServerTest, AServerThisProcessDidNotStartIsUsedAndLeftRunning) {
    installInterpreter();
    startForeignServer("test/model-a");
    QList<int> portsChecked;
    std::function<bool(const QString&)> keep;
    LlmServer server(config(), [&](quint16 port, std::function<bool(const QString&)> test) {
        portsChecked.append(port);
        keep = std::move(test);
        return QtFuture::makeReadyFuture(false);
    });
    const auto started = server.ensureStarted();
    ASSERT_TRUE(finishes(started));
    EXPECT_EQ(portsChecked, QList<int>{50062});
    ASSERT_TRUE(keep);
    EXPECT_TRUE(keep("/x/llm-venv/bin/python -m mlx_lm server --model test/model-a --host 127.0.0.1"));
    EXPECT_FALSE(keep("/x/llm-venv/bin/python -m mlx_lm server --model test/model-b --host 127.0.0.1"));
    EXPECT_TRUE(server.isReady());
    EXPECT_FALSE(server.ownsProcess());

    server.stopIfOwned();
    EXPECT_FALSE(server.isReady());
    EXPECT_TRUE(fixture.running());
    auto up = server.isUp();
    ASSERT_TRUE(finishes(up));
    EXPECT_TRUE(up.result());
}

TEST_F(LlmServerTest, AListenerOfAnotherAccountIsSentNothingAndTheCleanupGoesWithoutIt) {
    if (!OtherAccountListener::canStart())
        GTEST_SKIP() << "only root can run a listener as another account";
    installInterpreter();
    OtherAccountListener other;
    ASSERT_EQ(other.start(QStringLiteral("127.0.0.1"), LlmFixture::kPort), LlmFixture::kPort);
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_FALSE(server.isReady());
    EXPECT_FALSE(server.ownsProcess()) << "no server of the program's own can take the port";
    const QFuture<bool> up = server.isUp();
    ASSERT_TRUE(finishes(up));
    EXPECT_FALSE(up.result());

    // The dictated text and the dictionary words stay here.
    Defaults defaults(engine.file(QStringLiteral("defaults.json")));
    CleanupEngine cleanup(defaults, server);
    const auto cleaned = cleanup.runLocalLLMClean(QStringLiteral("my private words"), false, {}, std::nullopt);
    ASSERT_TRUE(finishes(cleaned));
    EXPECT_EQ(cleaned.result(), std::nullopt);

    EXPECT_EQ(other.received(), QByteArray()) << "no probe, key or text reaches another account";
    EXPECT_TRUE(other.running()) << "another account's listener is never ended";
    QFile log(MlxServer::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count(("[quorvane] " + ForeignListener::message(LlmFixture::kPort) + "\n").toUtf8()), 1);
}

TEST_F(LlmServerTest, ALeftoverServerOfAnotherModelIsReplacedOneOfTheSameModelKept) {
    installInterpreter();
    ASSERT_TRUE(fixture.start("test/model-b", engine.file("llm-venv/bin/python")));
    {
        LlmServer server(config());
        ASSERT_TRUE(finishes(server.ensureStarted()));
        EXPECT_FALSE(fixture.running()) << "the other model's server was stopped";
        EXPECT_TRUE(server.ownsProcess());
        EXPECT_TRUE(server.isReady());
        server.stopIfOwned();
    }
    ASSERT_TRUE(fixture.start("test/model-a", engine.file("llm-venv/bin/python")));
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_TRUE(fixture.running());
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_TRUE(server.isReady());
}

// The HTTP status of `request`, sent as any other local client would send it.
int statusOf(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body = {}) {
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.sendCustomRequest(request, verb, body));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000))
        return 0;
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

TEST_F(LlmServerTest, OnlyThisRunOfTheProgramMayDriveTheServerItLaunched) {
    installInterpreter();
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    ASSERT_TRUE(server.isReady()) << "its own probe and warm-up carry the key";
    const qsizetype served = fixture.requests("/v1/chat/completions").size();

    const QUrl chat = server.baseUrl().resolved(QUrl(QStringLiteral("v1/chat/completions")));
    const QByteArray body = R"({"model":"test/model-a","messages":[{"role":"user","content":"Say yes."}]})";
    QNetworkRequest fromPage(chat);
    fromPage.setRawHeader("Origin", "http://example.invalid");
    EngineKey::sign(fromPage);
    EXPECT_EQ(statusOf(fromPage, "POST", body), 403);
    QNetworkRequest throughAnotherName(chat);
    throughAnotherName.setRawHeader("Host", "attacker.example:50062");
    EngineKey::sign(throughAnotherName);
    EXPECT_EQ(statusOf(throughAnotherName, "POST", body), 403);
    EXPECT_EQ(statusOf(QNetworkRequest(chat), "POST", body), 401);
    QNetworkRequest wrongKey(chat);
    wrongKey.setRawHeader(EngineKey::kHeader, QByteArray(EngineKey::value().size(), '0'));
    EXPECT_EQ(statusOf(wrongKey, "POST", body), 401);
    // Refused before the server saw them.
    EXPECT_EQ(fixture.requests("/v1/chat/completions").size(), served);

    QNetworkRequest own(chat);
    EngineKey::sign(own);
    EXPECT_EQ(statusOf(own, "POST", body), 200);
}

TEST_F(LlmServerTest, AServerOfTheSameModelLaunchedByAnotherRunIsReplaced) {
    installInterpreter();
    ASSERT_TRUE(fixture.start("test/model-a", engine.file("llm-venv/bin/python"), LlmFixture::kPort,
                              QByteArrayLiteral("another run's key")));
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_FALSE(fixture.running()) << "the other run's server was stopped";
    EXPECT_TRUE(server.ownsProcess());
    EXPECT_TRUE(server.isReady());
}

TEST_F(LlmServerTest, PressureReleasesAtOnceOrAfterTheLastRequestInFlight) {
    installInterpreter();
    LlmServer server(config());
    server.watchMemory();
    ASSERT_TRUE(finishes(server.ensureStarted()));
    ASSERT_TRUE(server.isReady());
    const qint64 first = server.processId();

    server.beginRequest();
    server.beginRequest();
    fakes.memoryPressure.raise(MemoryPressure::Level::Warning);
    EXPECT_TRUE(server.isReleasePending());
    EXPECT_TRUE(server.ownsProcess());
    server.endRequest();
    EXPECT_TRUE(server.ownsProcess()) << "one request still in flight";
    server.endRequest();
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_FALSE(server.isReady());
    EXPECT_FALSE(server.isReleasePending());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processExists(first); }, 5000));
    QFile log(MlxServer::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("memory is short: released the cleanup model"));

    // The next start launches a fresh server; pressure with nothing in flight
    // releases it at once.
    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_TRUE(server.isReady());
    const qint64 second = server.processId();
    EXPECT_NE(second, first);
    fakes.memoryPressure.raise(MemoryPressure::Level::Critical);
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processExists(second); }, 5000));

    // With no server of ours, pressure changes nothing.
    server.beginRequest();
    fakes.memoryPressure.raise(MemoryPressure::Level::Warning);
    EXPECT_FALSE(server.isReleasePending());
    server.endRequest();
}

TEST_F(LlmServerTest, AServerThatDiedIsStartedAgainButNotForever) {
    installInterpreter();
    LlmServer::Config limited = config();
    limited.maxRelaunches = 1;
    LlmServer server(limited);
    ASSERT_TRUE(finishes(server.ensureStarted()));
    const qint64 first = server.processId();
    ::kill(pid_t(first), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !processExists(first); }, 5000));

    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_TRUE(server.isReady());
    const qint64 second = server.processId();
    EXPECT_NE(second, first);
    EXPECT_NE(second, 0);

    ::kill(pid_t(second), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !processExists(second); }, 5000));
    ASSERT_TRUE(finishes(server.ensureStarted()));
    EXPECT_FALSE(server.ownsProcess()) << "gave up after one relaunch";
}

TEST_F(LlmServerTest, StopTerminatesAnOwnedServer) {
    installInterpreter();
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    const qint64 pid = server.processId();
    ASSERT_TRUE(processExists(pid));
    server.stopIfOwned();
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_FALSE(server.isReady());
    EXPECT_FALSE(processExists(pid));
}

TEST_F(LlmServerTest, EndingAServerThatIgnoresTerminationReturnsAtOnceAndKillsItLater) {
    installInterpreter();
    fixture.script({{"ignore_term", true}});
    LlmServer server(config());
    ASSERT_TRUE(finishes(server.ensureStarted()));
    const qint64 pid = server.processId();
    ASSERT_TRUE(processExists(pid));

    const QFuture<void> gone = server.endIfOwned();
    EXPECT_FALSE(server.ownsProcess());
    EXPECT_FALSE(server.isReady());
    EXPECT_TRUE(processExists(pid)) << "the call waited for the server to end";
    EXPECT_FALSE(gone.isFinished());
    // A quit waits for the future with the event loop turning.
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isFinished(); }, 15000)) << "the end never finished";
    EXPECT_FALSE(processExists(pid)) << "the end finished before the lingering server was killed";
}

} // namespace
