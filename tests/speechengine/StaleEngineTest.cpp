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

#include <limits>

#include <sys/resource.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A program listening on a loopback port (the one given, else a free one)
// until it is stopped; a stubborn one ignores SIGTERM, an "ipv6" one listens on ::1.
const char* listenerProgram = R"(
import signal, socket, sys, time
kind, port = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 0
if kind == "stubborn":
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
family, host = (socket.AF_INET6, "::1") if kind == "ipv6" else (socket.AF_INET, "127.0.0.1")
s = socket.socket(family)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind((host, port))
s.listen()
print(s.getsockname()[1], flush=True)
time.sleep(120)
)";

// Page faults of the children this process has waited for: any program run
// and collected adds to them.
long childPageFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

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
    quint16 startListener(const QString& python, const char* kind = "plain", quint16 port = 0) {
        QStringList arguments{QStringLiteral("-c"), QString::fromLatin1(listenerProgram), QString::fromLatin1(kind)};
        if (port != 0)
            arguments << QString::number(port);
        process.start(python, arguments);
        if (!process.waitForReadyRead(10000))
            return 0;
        return quint16(process.readLine().trimmed().toUInt());
    }

    void stopListener() {
        process.kill();
        process.waitForFinished();
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

TEST_F(StaleEngineTest, TheListenerAndItsCommandLineComeFromTheKernelTablesWithoutRunningAProgram) {
    const QString python = engine + QStringLiteral("/mlx-venv/bin/python");
    for (const char* kind : {"plain", "ipv6"}) {
        SCOPED_TRACE(kind);
        const quint16 port = startListener(python, kind);
        ASSERT_NE(port, 0);
        const qint32 pid = qint32(process.processId());
        const long faultsBefore = childPageFaults();
        EXPECT_EQ(StaleEngine::listeningSockets(port).size(), 1);
        EXPECT_EQ(StaleEngine::listener(port), pid);
        EXPECT_EQ(StaleEngine::commandLine(pid), python + QStringLiteral(" -c ") + QString::fromLatin1(listenerProgram)
                                                     + QLatin1Char(' ') + QString::fromLatin1(kind));
        EXPECT_TRUE(StaleEngine::startTime(pid).has_value());
        EXPECT_FALSE(replace(port, [](const QString&) { return true; }));
        EXPECT_EQ(childPageFaults(), faultsBefore) << "a program was run and collected";
        stopListener();
        EXPECT_TRUE(StaleEngine::listeningSockets(port).isEmpty());
        EXPECT_EQ(StaleEngine::listener(port), std::nullopt);
    }
    EXPECT_EQ(StaleEngine::commandLine(std::numeric_limits<qint32>::max()), std::nullopt);
    EXPECT_EQ(StaleEngine::startTime(std::numeric_limits<qint32>::max()), std::nullopt);
}

TEST_F(StaleEngineTest, AListenerLeftRunningKeepsItsVerdictWhileItsProcessLives) {
    const QString python = engine + QStringLiteral("/mlx-venv/bin/python");
    const quint16 port = startListener(python);
    ASSERT_NE(port, 0);
    int asked = 0;
    const StaleEngine::KeepTest keep = [&asked](const QString&) {
        ++asked;
        return true;
    };
    ListenerVerdicts verdicts;
    const auto check = [&] { return StaleEngine::replaceIfStaleNow(port, keep, engine, 10ms, &verdicts); };

    EXPECT_FALSE(check());
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 1) << "the second check went by the verdict";
    const auto known = verdicts.remembered(port);
    ASSERT_TRUE(known.has_value());
    EXPECT_EQ(known->pid, qint32(process.processId()));
    EXPECT_EQ(known->startTime, StaleEngine::startTime(known->pid));
    EXPECT_EQ(known->socket, StaleEngine::listeningSockets(port).value(0));

    // The same process id with another start time is another process.
    ListenerVerdicts::Listener reused = *known;
    ++reused.startTime;
    verdicts.remember(port, reused);
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 2);
    // So is a verdict made for another engine folder.
    ListenerVerdicts::Listener otherFolder = *known;
    otherFolder.engineRoot += QStringLiteral("-other");
    verdicts.remember(port, otherFolder);
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 3);

    // A new listener on the port is judged afresh.
    stopListener();
    ASSERT_EQ(startListener(python, "plain", port), port);
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(verdicts.remembered(port)->pid, qint32(process.processId()));
}

TEST_F(StaleEngineTest, AServerThatIgnoresTerminationIsKilled) {
    const quint16 port = startListener(engine + QStringLiteral("/mlx-venv/bin/python"), "stubborn");
    ASSERT_NE(port, 0);
    EXPECT_TRUE(replace(port));
    EXPECT_TRUE(stopped());
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
}

} // namespace
