#include "engine/MlxServer.h"
#include "engine/EngineHttp.h"
#include "engine/EngineKey.h"
#include "engine/EngineTrust.h"
#include "engine/ForeignListener.h"
#include "engine/Transcriber.h"
#include "platform/Platform.h"
#include "platform/linux/PasswdUserAccount.h"
#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/ProcProcessTable.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/OtherAccountListener.h"
#include "support/PortLock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <optional>

using namespace std::chrono_literals;

namespace {

// A poll interval no test waits out: a call that finishes polled at most never.
constexpr std::chrono::milliseconds kNoPolling = 1h;

QByteArray engineLog() {
    QFile log(MlxServer::logFile());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

bool ready(MlxServer& server) {
    auto future = server.ensureReady();
    return awaitFuture(future, 90000) && future.result();
}

// The answer of ensureReady() when it comes without a poll of kNoPolling.
std::optional<bool> answerWithoutPolling(MlxServer& server) {
    auto future = server.ensureReady();
    if (!awaitFuture(future, 20000))
        return std::nullopt;
    return future.result();
}

// A take of flite's slt voice, which the Linux recogniser understands.
QByteArray spoken(const QString& text) {
    TempFolder folder;
    QProcess::execute(QStringLiteral("flite"), {QStringLiteral("-voice"), QStringLiteral("slt"), QStringLiteral("-t"),
                                                text, QStringLiteral("-o"), folder.file(QStringLiteral("take.wav"))});
    return folder.read(QStringLiteral("take.wav"));
}

TEST(MlxServerNames, FollowTheEngineRootAndTheBuild) {
    TempFolder root;
    ScopedEnvironment environment("QV_ENGINE_ROOT", QFile::encodeName(root.path()));
    EXPECT_EQ(MlxServer::interpreter(), root.path() + QStringLiteral("/mlx-venv/bin/python"));
    // The local model counts only once its config is there.
    root.mkdir(QStringLiteral("models/parakeet-tdt-0.6b-v3-bf16"));
    EXPECT_EQ(MlxServer::parakeetModelRef(), QStringLiteral("mlx-community/parakeet-tdt-0.6b-v3"));
    root.write(QStringLiteral("models/parakeet-tdt-0.6b-v3-bf16/config.json"), "{}");
    EXPECT_EQ(MlxServer::parakeetModelRef(), root.path() + QStringLiteral("/models/parakeet-tdt-0.6b-v3-bf16"));

    QCoreApplication::setApplicationVersion(QStringLiteral("1.4.2"));
    EXPECT_EQ(MlxServer::buildMarker(), QStringLiteral("# quorvane engine 1.4.2"));
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_TRUE(MlxServer::script().startsWith(QStringLiteral("# quorvane engine dev\n")));
}

TEST(EngineTrust, ExportsTheCertificateListOnlyWhenItExists) {
    QProcessEnvironment inherited;
    inherited.insert(QStringLiteral("SSL_CERT_FILE"), QStringLiteral("/etc/inherited.pem"));
    EXPECT_EQ(EngineTrust::environment(inherited, {}), inherited);
    EXPECT_EQ(EngineTrust::environment(inherited, QStringLiteral("/nowhere/cacert.pem")), inherited);

    TempFolder folder;
    const QString list = folder.write(QStringLiteral("cacert.pem"), "certificates");
    const QProcessEnvironment child = EngineTrust::environment(inherited, list);
    EXPECT_EQ(child.value(QStringLiteral("SSL_CERT_FILE")), list);
    EXPECT_EQ(child.value(QStringLiteral("REQUESTS_CA_BUNDLE")), list);
}

class MlxServerTest : public testing::Test {
protected:
    void SetUp() override {
        engine = TestEngine::folder();
        ASSERT_FALSE(engine.isEmpty());
        environment.set("QV_ENGINE_ROOT", QFile::encodeName(engine));
        QFile::remove(MlxServer::logFile());
        QFile::remove(MlxServer::previousLogFile());
        // Real servers are launched, found and replaced through the real process services.
        Platform services = Platform::current();
        services.processTable = &processes;
        services.childProcesses = &children;
        services.userAccount = &account;
        previous = Platform::install(services);
    }
    void TearDown() override {
        Platform::install(previous);
        if (other.state() != QProcess::NotRunning) {
            other.kill();
            other.waitForFinished();
        }
        if (HasFailure())
            std::cerr << "engine log:\n" << engineLog().constData();
        QFile::remove(MlxServer::logFile());
    }

    // Runs the server script as a build with `marker` would, outside any
    // MlxServer, with `key` as its engine key.
    void startOtherServer(const QString& marker, const QByteArray& key) {
        QString script = MlxServer::script();
        script.replace(0, MlxServer::buildMarker().size(), marker);
        QProcessEnvironment launched = QProcessEnvironment::systemEnvironment();
        launched.insert(QLatin1String(EngineKey::kVariable), QString::fromLatin1(key));
        other.setProcessEnvironment(launched);
        other.setProcessChannelMode(QProcess::MergedChannels);
        other.setStandardOutputFile(QProcess::nullDevice());
        other.start(MlxServer::interpreter(),
                    {QStringLiteral("-c"), script, QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("--port"), QStringLiteral("50061")});
        ASSERT_TRUE(other.waitForStarted());
        MlxServer probe;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                auto up = probe.isUp();
                return awaitFuture(up) && up.result();
            },
            30000));
    }

    PortLock portLock{MlxServer::port};
    ProcProcessTable processes;
    PdeathsigChildProcesses children;
    PasswdUserAccount account;
    Platform previous;
    QString engine;
    ScopedEnvironment environment;
    QProcess other;
};

TEST_F(MlxServerTest, LaunchesTheServerTranscribesAndLaunchesItAgainWhenKilled) {
    MlxServer server;
    AppState::shared().setServerReady(false);
    // Two callers at once share one launch.
    auto first = server.ensureReady();
    ASSERT_TRUE(ready(server));
    ASSERT_TRUE(awaitFuture(first));
    EXPECT_TRUE(first.result());
    EXPECT_TRUE(AppState::shared().serverReady());
    const qint64 pid = server.processId();
    ASSERT_GT(pid, 0);
    const auto command = processes.commandLine(qint32(pid));
    ASSERT_TRUE(command.has_value());
    EXPECT_TRUE(command->startsWith(engine + QStringLiteral("/mlx-venv/bin/python -c # quorvane engine dev")))
        << command->toStdString();
    EXPECT_TRUE(command->endsWith(QStringLiteral("--host 127.0.0.1 --port 50061 --log-dir ") + MlxServer::logFolder()));
    EXPECT_TRUE(engineLog().contains("Uvicorn running on http://127.0.0.1:50061"));

    auto warmed = server.warmUp();
    ASSERT_TRUE(awaitFuture(warmed, 60000));
    // No line per request.
    EXPECT_FALSE(engineLog().contains("HTTP/1.1\" 200")) << engineLog().constData();

    auto heard =
        Transcriber::transcribe(spoken(QStringLiteral("please schedule a meeting with the marketing team")), 60);
    ASSERT_TRUE(awaitFuture(heard, 60000));
    EXPECT_TRUE(heard.result().contains(QStringLiteral("marketing team"))) << heard.result().toStdString();

    // A server that dies is noticed at the next call and launched again.
    ::kill(pid_t(pid), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::kill(pid_t(pid), 0) != 0; }, 5000));
    ASSERT_TRUE(ready(server));
    const qint64 relaunched = server.processId();
    EXPECT_GT(relaunched, 0);
    EXPECT_NE(relaunched, pid);
    EXPECT_TRUE(engineLog().contains("[quorvane] the engine had stopped (signal 9); launching it again (1 of 3)\n"))
        << engineLog().constData();
    // The killed server's log is kept beside the new one.
    QFile previous(MlxServer::previousLogFile());
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    EXPECT_TRUE(previous.readAll().contains("Uvicorn running on http://127.0.0.1:50061"));

    server.stop();
    EXPECT_EQ(server.processId(), 0);
    EXPECT_NE(::kill(pid_t(relaunched), 0), 0);
}

TEST_F(MlxServerTest, WithoutAnInterpreterItNotesWhyAndGivesUpAtOnce) {
    TempFolder root;
    environment.set("QV_ENGINE_ROOT", QFile::encodeName(root.path()));
    MlxServer server;
    server.setPollInterval(kNoPolling);
    EXPECT_EQ(answerWithoutPolling(server), false);
    EXPECT_EQ(server.processId(), 0);
    EXPECT_EQ(engineLog(), "[quorvane] engine not started: no runnable interpreter at " + QFile::encodeName(root.path())
                               + "/mlx-venv/bin/python\nsymlink points to: not a symlink\n");

    QFile(MlxServer::logFile()).remove();
    root.mkdir(QStringLiteral("mlx-venv/bin"));
    QFile::link(QStringLiteral("/nowhere/python3"), root.file(QStringLiteral("mlx-venv/bin/python")));
    EXPECT_EQ(answerWithoutPolling(server), false);
    EXPECT_TRUE(engineLog().endsWith("/mlx-venv/bin/python\nsymlink points to: /nowhere/python3\n"));

    // There but not runnable: the start is not waited for, and its failure
    // ends the wait at once.
    QFile(MlxServer::logFile()).remove();
    QFile::remove(root.file(QStringLiteral("mlx-venv/bin/python")));
    root.write(QStringLiteral("mlx-venv/bin/python"), "not a program\n");
    EXPECT_EQ(answerWithoutPolling(server), false);
    EXPECT_EQ(server.processId(), 0);
    EXPECT_TRUE(engineLog().startsWith("[quorvane] engine not started: ")) << engineLog().constData();
}

// A server slow to end (this one ignores SIGTERM) is not waited for: it is
// forgotten at once, and killed when the wait for its end runs out.
TEST_F(MlxServerTest, EndingAServerDoesNotWaitForIt) {
    TempFolder root;
    environment.set("QV_ENGINE_ROOT", QFile::encodeName(root.path()));
    const QString python = root.write(QStringLiteral("mlx-venv/bin/python"), "#!/bin/sh\ntrap '' TERM\nsleep 60\n");
    QFile::setPermissions(python, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    MlxServer server;
    server.setPollInterval(kNoPolling);
    (void)server.ensureReady();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.processId() > 0; }, 10000));
    const qint64 pid = server.processId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return processes.commandLine(qint32(pid)).has_value(); }, 5000));

    QFuture<void> ended = server.end();
    EXPECT_EQ(server.processId(), 0);
    EXPECT_FALSE(ended.isFinished());
    EXPECT_EQ(::kill(pid_t(pid), 0), 0);
    ASSERT_TRUE(awaitFuture(ended, 20000));
    EXPECT_NE(::kill(pid_t(pid), 0), 0);
}

TEST_F(MlxServerTest, AServerThatKeepsDyingIsLaunchedAgainOnlyABoundedNumberOfTimes) {
    TempFolder root;
    environment.set("QV_ENGINE_ROOT", QFile::encodeName(root.path()));
    const QString interpreter =
        root.write(QStringLiteral("mlx-venv/bin/python"), "#!/bin/sh\necho launched >> \"$QV_ENGINE_ROOT/launches\"\n");
    QFile::setPermissions(interpreter, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    MlxServer server;
    // A launched server that ends ends the wait for it, and so does one held that has ended.
    server.setPollInterval(kNoPolling);
    for (int call = 0; call < MlxServer::maxRelaunches + 3; ++call)
        EXPECT_EQ(answerWithoutPolling(server), false);
    EXPECT_EQ(root.read(QStringLiteral("launches")).count("launched"), 1 + MlxServer::maxRelaunches);
    EXPECT_TRUE(engineLog().contains("launching it again (3 of 3)"));
}

TEST_F(MlxServerTest, AForeignListenerIsUsedAsItIsAndNeverSignalled) {
    LoopbackHttpServer foreign; // not found for everything
    ASSERT_TRUE(foreign.listen(MlxServer::port));
    MlxServer server;
    EXPECT_TRUE(ready(server));
    EXPECT_EQ(server.processId(), 0);
    EXPECT_EQ(foreign.requests().value(0).path, "/v1/models");

    // Something that answers, but not in HTTP, is up as well.
    foreign.setFallback([](const auto&) {
        LoopbackHttpServer::Response garbled;
        garbled.raw = "SSH-2.0-OpenSSH_9.2\r\n";
        return garbled;
    });
    auto garbled = server.isUp();
    ASSERT_TRUE(awaitFuture(garbled));
    EXPECT_TRUE(garbled.result());

    // Answering 5xx is not up; with nothing to launch there is nothing to wait for.
    foreign.setFallback([](const auto&) { return LoopbackHttpServer::Response::json("{}", 503); });
    TempFolder empty;
    environment.set("QV_ENGINE_ROOT", QFile::encodeName(empty.path()));
    server.setPollInterval(kNoPolling);
    EXPECT_EQ(answerWithoutPolling(server), false);
}

TEST_F(MlxServerTest, AListenerOfAnotherAccountIsSentNothingAndNeitherAdoptedNorEnded) {
    if (!OtherAccountListener::canStart())
        GTEST_SKIP() << "only root can run a listener as another account";
    OtherAccountListener other;
    ASSERT_EQ(other.start(QStringLiteral("127.0.0.1"), MlxServer::port), MlxServer::port);
    MlxServer server;
    server.setPollInterval(100ms);
    server.setSilenceLimit(1s);
    EXPECT_EQ(answerWithoutPolling(server), false);
    EXPECT_EQ(answerWithoutPolling(server), false);
    EXPECT_EQ(server.processId(), 0) << "no server of the program's own can take the port";
    auto up = server.isUp();
    ASSERT_TRUE(awaitFuture(up));
    EXPECT_FALSE(up.result());
    ASSERT_TRUE(awaitFuture(server.warmUp(), 10000));

    const QString held = ForeignListener::message(MlxServer::port);
    auto take = Transcriber::transcribe(spoken(QStringLiteral("my private words")), 10);
    ASSERT_TRUE(awaitFuture(take, 10000));
    try {
        take.result();
        ADD_FAILURE() << "a transcript came: " << take.result().toStdString();
    } catch (const Transcriber::RequestFailed& failure) {
        EXPECT_TRUE(failure.heldByAnotherAccount);
        EXPECT_EQ(failure.message, held);
    }
    const Transcriber::Diagnosis diagnosis = awaitResult(Transcriber::diagnose(QByteArray(64, '\0'), 10));
    EXPECT_TRUE(diagnosis.heldByAnotherAccount);
    EXPECT_EQ(diagnosis.error, held);

    EXPECT_EQ(other.received(), QByteArray()) << "no probe, key, audio or text reaches another account";
    EXPECT_TRUE(other.running()) << "another account's listener is never ended";
    EXPECT_EQ(engineLog().count(("[quorvane] " + held + "\n").toUtf8()), 1) << engineLog().constData();
}

TEST_F(MlxServerTest, AServerOfAnotherBuildOrRunIsReplacedAndOneThatTakesThisRunsKeyKept) {
    startOtherServer(QStringLiteral("# quorvane engine 0.0.9"), EngineKey::value());
    MlxServer server;
    ASSERT_TRUE(ready(server));
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 5000));
    EXPECT_GT(server.processId(), 0);
    server.stop();

    // Of this build but launched by another run: it would refuse every request.
    startOtherServer(MlxServer::buildMarker(), QByteArrayLiteral("another run's key"));
    MlxServer replacing;
    ASSERT_TRUE(ready(replacing));
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 5000));
    EXPECT_GT(replacing.processId(), 0);
    replacing.stop();

    startOtherServer(MlxServer::buildMarker(), EngineKey::value());
    MlxServer second;
    EXPECT_TRUE(ready(second));
    EXPECT_EQ(second.processId(), 0);
    EXPECT_EQ(other.state(), QProcess::Running);
}

// The HTTP status of `request` sent as any other local client would send it.
int statusOf(const QNetworkRequest& request, const QByteArray& verb) {
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.sendCustomRequest(request, verb, QByteArray()));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 30000))
        return 0;
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

TEST_F(MlxServerTest, OnlyThisRunOfTheProgramMayDriveTheServerItLaunched) {
    MlxServer server;
    ASSERT_TRUE(ready(server));
    const QString adapter = engine + QStringLiteral("/voice-adapter.npz");
    {
        QFile file(adapter);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the user's adapter");
    }
    const QUrl clear = MlxServer::baseURL().resolved(QUrl(QStringLiteral("v1/quorvane/adapt/clear")));

    // A page's request is refused even when it carries the key.
    QNetworkRequest fromPage(clear);
    fromPage.setRawHeader("Origin", "http://example.invalid");
    EngineKey::sign(fromPage);
    EXPECT_EQ(statusOf(fromPage, "POST"), 403);
    // As through a name of the page's own that leads here.
    QNetworkRequest throughAnotherName(clear);
    throughAnotherName.setRawHeader("Host", "attacker.example:50061");
    EngineKey::sign(throughAnotherName);
    EXPECT_EQ(statusOf(throughAnotherName, "POST"), 403);
    EXPECT_EQ(statusOf(QNetworkRequest(clear), "POST"), 401);
    QNetworkRequest wrongKey(clear);
    wrongKey.setRawHeader(EngineKey::kHeader, QByteArray(EngineKey::value().size(), '0'));
    EXPECT_EQ(statusOf(wrongKey, "POST"), 401);
    EXPECT_TRUE(QFileInfo::exists(adapter));

    // The program's own requests are served.
    const HttpAnswer status = awaitResult(EngineHttp::send(
        QNetworkRequest(MlxServer::baseURL().resolved(QUrl(QStringLiteral("v1/quorvane/adapt/status")))), "GET", {},
        10000));
    EXPECT_EQ(status.status, 200) << status.body.constData();
    QFile::remove(adapter);
    server.stop();
}

TEST_F(MlxServerTest, AServerThatTakesConnectionsButAnswersNothingIsReplacedAfterTheSilenceLimit) {
    MlxServer server;
    server.setPollInterval(100ms);
    server.setSilenceLimit(2s);
    ASSERT_TRUE(ready(server));
    EXPECT_FALSE(server.lastSilentReplacement());
    QSignalSpy launched(&server, &MlxServer::launchedServerReady);
    // Stopped, it still takes connections (the kernel accepts them) but answers nothing.
    const qint64 stuck = server.processId();
    ASSERT_EQ(::kill(pid_t(stuck), SIGSTOP), 0);
    ASSERT_TRUE(ready(server));
    EXPECT_NE(server.processId(), stuck);
    EXPECT_EQ(launched.count(), 1) << "the replacement knows nothing of what the stuck one was told";
    EXPECT_NE(::kill(pid_t(stuck), 0), 0) << "the stuck server is gone";
    EXPECT_TRUE(server.lastSilentReplacement());
    EXPECT_TRUE(engineLog().contains("[quorvane] the engine took connections but answered no request for 2 s; "
                                     "replaced it\n"))
        << engineLog().constData();
    server.stop();

    // A silent listener of this engine folder that no server here holds goes the same way.
    other.start(MlxServer::interpreter(),
                {QStringLiteral("-c"), QStringLiteral("import socket, time\n"
                                                      "s = socket.socket()\n"
                                                      "s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
                                                      "s.bind(('127.0.0.1', 50061))\n"
                                                      "s.listen(8)\n"
                                                      "time.sleep(600)\n")});
    ASSERT_TRUE(other.waitForStarted());
    MlxServer probe;
    ASSERT_TRUE(QTest::qWaitFor([&] { return processes.listener(MlxServer::port).has_value(); }, 10000));
    MlxServer second;
    second.setPollInterval(100ms);
    second.setSilenceLimit(2s);
    EXPECT_TRUE(ready(second));
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 5000));
    EXPECT_GT(second.processId(), 0);
    second.stop();
}

TEST_F(MlxServerTest, TheProgramStartsTheServerAndLeavesNoServerBehindWhenItEnds) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../quorvane");
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    // Even a program killed outright takes its server with it.
    {
        QProcess quorvane;
        // A user who finished onboarding: the launch then starts the server.
        TempFolder config;
        config.write(QStringLiteral("Quorvane/defaults.json"), R"({"onboardingDone":true,"openWindowAtLaunch":false})");
        QProcessEnvironment programEnvironment = QProcessEnvironment::systemEnvironment();
        programEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Off the harness display: its key grabs would take the desktop tests' keys.
        programEnvironment.remove(QStringLiteral("DISPLAY"));
        programEnvironment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        quorvane.setProcessEnvironment(programEnvironment);
        quorvane.setStandardOutputFile(QProcess::nullDevice());
        quorvane.setStandardErrorFile(QProcess::nullDevice());
        quorvane.start(program, {});
        ASSERT_TRUE(quorvane.waitForStarted());
        MlxServer probe;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                auto up = probe.isUp();
                return awaitFuture(up) && up.result();
            },
            30000));
        const auto server = processes.listener(MlxServer::port);
        ASSERT_TRUE(server.has_value());
        EXPECT_TRUE(processes.commandLine(server->pid).value_or(QString()).startsWith(MlxServer::interpreter()));

        ::kill(pid_t(quorvane.processId()), SIGKILL);
        ASSERT_TRUE(quorvane.waitForFinished(10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return ::kill(server->pid, 0) != 0; }, 10000));
    }
}

} // namespace
