#include "platform/linux/ProcProcessTable.h"
#include "support/OtherAccountListener.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <limits>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A program listening on a free loopback port until it is stopped, printing
// the port; a "stubborn" one ignores SIGTERM, an "ipv6" one listens on ::1.
const char* kListenerProgram = R"(
import signal, socket, sys, time
kind = sys.argv[1]
if kind == "stubborn":
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
family, host = (socket.AF_INET6, "::1") if kind == "ipv6" else (socket.AF_INET, "127.0.0.1")
s = socket.socket(family)
s.bind((host, 0))
s.listen()
print(s.getsockname()[1], flush=True)
time.sleep(120)
)";
const QString kPython = QStringLiteral("/usr/bin/python3");

// Page faults of the children this process has waited for: any program run
// and collected adds to them.
long childPageFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

class ProcProcessTableTest : public testing::Test {
protected:
    void TearDown() override {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    // Starts the listener and returns its port, 0 when it did not start.
    quint16 startListener(const char* kind) {
        process.start(kPython,
                      {QStringLiteral("-c"), QString::fromLatin1(kListenerProgram), QString::fromLatin1(kind)});
        if (!process.waitForReadyRead(10000))
            return 0;
        return quint16(process.readLine().trimmed().toUInt());
    }

    qint32 pid() const { return qint32(process.processId()); }

    ProcProcessTable table;
    QProcess process;
};

TEST_F(ProcProcessTableTest, TheListenerAndItsCommandLineComeFromTheKernelTablesWithoutRunningAProgram) {
    for (const char* kind : {"plain", "ipv6"}) {
        SCOPED_TRACE(kind);
        const quint16 port = startListener(kind);
        ASSERT_NE(port, 0);
        const long faultsBefore = childPageFaults();
        const auto listener = table.listener(port);
        ASSERT_TRUE(listener.has_value());
        EXPECT_EQ(listener->pid, pid());
        EXPECT_EQ(table.listenerAccounts(port), QList<quint32>{quint32(::getuid())});
        EXPECT_TRUE(table.holds(pid(), listener->socket));
        EXPECT_FALSE(table.holds(qint32(::getpid()), listener->socket));
        EXPECT_EQ(table.commandLine(pid()), kPython + QStringLiteral(" -c ") + QString::fromLatin1(kListenerProgram)
                                                + QLatin1Char(' ') + QString::fromLatin1(kind));
        const auto started = table.startTime(pid());
        ASSERT_TRUE(started.has_value());
        EXPECT_EQ(table.startTime(pid()), started);
        EXPECT_TRUE(table.isAlive(pid()));
        EXPECT_EQ(childPageFaults(), faultsBefore) << "a program was run and collected";

        const qint32 ended = pid();
        process.kill();
        process.waitForFinished();
        EXPECT_EQ(table.listener(port), std::nullopt);
        EXPECT_EQ(table.listenerAccounts(port), QList<quint32>());
        EXPECT_FALSE(table.holds(ended, listener->socket));
        EXPECT_EQ(table.commandLine(ended), std::nullopt);
        EXPECT_EQ(table.startTime(ended), std::nullopt);
        EXPECT_FALSE(table.isAlive(ended));
    }
    EXPECT_EQ(table.commandLine(std::numeric_limits<qint32>::max()), std::nullopt);
    EXPECT_EQ(table.startTime(std::numeric_limits<qint32>::max()), std::nullopt);
}

TEST_F(ProcProcessTableTest, TheListenerMayBeThisVeryProgram) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const auto listener = table.listener(server.serverPort());
    ASSERT_TRUE(listener.has_value());
    EXPECT_EQ(listener->pid, qint32(::getpid()));
    const auto command = table.commandLine(listener->pid);
    ASSERT_TRUE(command.has_value());
    EXPECT_TRUE(command->startsWith(QCoreApplication::arguments().constFirst())) << command->toStdString();
}

TEST_F(ProcProcessTableTest, EveryAccountListeningOnAPortIsKnownByItsUserId) {
    if (!OtherAccountListener::canStart())
        GTEST_SKIP() << "only root can run a listener as another account";
    for (const char* host : {"127.0.0.1", "::1"}) {
        SCOPED_TRACE(host);
        OtherAccountListener other;
        const quint16 port = other.start(QString::fromLatin1(host), 0);
        ASSERT_NE(port, 0);
        EXPECT_EQ(table.listenerAccounts(port), QList<quint32>{OtherAccountListener::kAccount});
        // A socket of this account on the same port hides the other one's from nobody.
        const bool ipv6 = QByteArray(host) == "::1";
        QTcpServer own;
        ASSERT_TRUE(own.listen(QHostAddress(ipv6 ? QHostAddress::LocalHost : QHostAddress::LocalHostIPv6), port));
        QList<quint32> both = table.listenerAccounts(port);
        std::sort(both.begin(), both.end());
        EXPECT_EQ(both, (QList<quint32>{quint32(::getuid()), OtherAccountListener::kAccount}));
        EXPECT_TRUE(other.running());
    }
}

TEST_F(ProcProcessTableTest, AnEndedProcessNotYetCollectedIsNotAlive) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    const QString stat = QStringLiteral("/proc/%1/stat").arg(child);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QFile file(stat);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(") Z ");
        },
        5000));
    EXPECT_FALSE(table.isAlive(child));
    EXPECT_EQ(table.commandLine(child), std::nullopt);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(table.isAlive(0)) << "an id of 0 names this program's process group";
}

TEST_F(ProcProcessTableTest, TerminateAsksAndKillEnds) {
    ASSERT_NE(startListener("plain"), 0);
    table.terminate(pid());
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(process.exitCode(), SIGTERM);

    ASSERT_NE(startListener("stubborn"), 0);
    table.terminate(pid());
    table.kill(pid());
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(process.exitCode(), SIGKILL) << "the stubborn one ignored SIGTERM";
}

} // namespace
