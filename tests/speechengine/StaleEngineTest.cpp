#include "engine/MlxServer.h"
#include "engine/StaleEngine.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A program listening on a free loopback port until it is stopped; a stubborn
// one ignores SIGTERM.
const char* listenerProgram = R"(
import signal, socket, sys, time
if sys.argv[1] == "stubborn":
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen()
print(s.getsockname()[1], flush=True)
time.sleep(120)
)";

class StaleEngineTest : public testing::Test {
protected:
    void SetUp() override {
        engine = TestEngine::folder();
        ASSERT_FALSE(engine.isEmpty());
    }
    void TearDown() override {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        QFile::remove(MlxServer::logFile());
    }

    // Starts the listener with `python` and returns its port.
    quint16 startListener(const QString& python, const char* kind = "plain") {
        process.start(python, {QStringLiteral("-c"), QString::fromLatin1(listenerProgram), QString::fromLatin1(kind)});
        if (!process.waitForReadyRead(10000))
            return 0;
        return quint16(process.readLine().trimmed().toUInt());
    }

    bool replace(quint16 port, StaleEngine::KeepTest keep = {}) {
        auto future = StaleEngine::replaceIfStale(port, std::move(keep), engine, 10ms);
        EXPECT_TRUE(awaitFuture(future));
        return future.result();
    }

    bool stopped() { return QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, 5000); }

    QString engine;
    QProcess process;
};

TEST_F(StaleEngineTest, AFreePortNeedsNothing) {
    LoopbackHttpServer probe;
    ASSERT_TRUE(probe.listen());
    const quint16 port = probe.port();
    probe.close();
    EXPECT_EQ(StaleEngine::listener(port), std::nullopt);
    EXPECT_TRUE(replace(port));
}

TEST_F(StaleEngineTest, AListenerThatIsNoEngineIsNeverSignalled) {
    // This very test program holds the port: signalling it would end the test.
    LoopbackHttpServer foreign;
    ASSERT_TRUE(foreign.listen());
    EXPECT_EQ(StaleEngine::listener(foreign.port()), qint32(::getpid()));
    const auto command = StaleEngine::commandLine(::getpid());
    ASSERT_TRUE(command.has_value());
    EXPECT_TRUE(command->startsWith(QCoreApplication::arguments().constFirst())) << command->toStdString();
    EXPECT_FALSE(replace(foreign.port()));

    TempFolder other;
    QDir().mkpath(other.file(QStringLiteral("mlx-venv/bin")));
    QFile::link(QStringLiteral("/usr/bin/python3"), other.file(QStringLiteral("mlx-venv/bin/python")));
    const quint16 port = startListener(other.file(QStringLiteral("mlx-venv/bin/python")));
    ASSERT_NE(port, 0);
    EXPECT_FALSE(replace(port));
    EXPECT_EQ(process.state(), QProcess::Running);
}

TEST_F(StaleEngineTest, AnEngineServerOfThisFolderIsTerminatedUnlessKept) {
    const quint16 port = startListener(engine + QStringLiteral("/mlx-venv/bin/python"));
    ASSERT_NE(port, 0);
    const qint32 pid = qint32(process.processId());
    EXPECT_EQ(StaleEngine::listener(port), pid);

    EXPECT_FALSE(replace(port, [](const QString& command) { return command.contains(QStringLiteral("time.sleep")); }));
    EXPECT_EQ(process.state(), QProcess::Running);

    EXPECT_TRUE(replace(port, [](const QString& command) { return command.contains(QStringLiteral("another build")); }));
    EXPECT_TRUE(stopped());
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    QFile log(MlxServer::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(
        QStringLiteral("[quorvane] replacing an engine left from an earlier launch (pid %1)\n").arg(pid).toUtf8()));
}

TEST_F(StaleEngineTest, AServerThatIgnoresTerminationIsKilled) {
    const quint16 port = startListener(engine + QStringLiteral("/mlx-venv/bin/python"), "stubborn");
    ASSERT_NE(port, 0);
    EXPECT_TRUE(replace(port));
    EXPECT_TRUE(stopped());
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
}

} // namespace
