// Which listener of a port is replaced, kept or remembered, on a scripted
// process table. The real table is tested in tests/platform_linux, and a real
// stale server replaced in MlxServerTest.
#include "engine/StaleEngine.h"
#include "engine/MlxServer.h"
#include "support/Await.h"
#include "support/FakePlatform.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using Sent = FakeProcessTable::Sent;
using Signal = FakeProcessTable::Signal;

constexpr quint16 kPort = 50099;
constexpr quint64 kSocket = 7001;
constexpr qint32 kPid = 4242;

class StaleEngineTest : public testing::Test {
protected:
    void SetUp() override { environment.set("QV_ENGINE_ROOT", QFile::encodeName(engine.path())); }

    // A process `pid` started as `command`, listening on kPort through `socket`.
    void listening(const std::optional<QString>& command, qint32 pid = kPid, quint64 socket = kSocket,
                   quint64 startTime = 1) {
        processes.set(pid, {.commandLine = command, .startTime = startTime, .sockets = {socket}});
        processes.listen(kPort, socket);
    }

    // The check as the servers run it: on the thread pool, with the installed table.
    bool replace(StaleEngine::KeepTest keep = {}) {
        auto future = StaleEngine::replaceIfStale(kPort, std::move(keep), {}, 1ms);
        EXPECT_TRUE(awaitFuture(future));
        return future.result();
    }

    QString python(const QString& venv = QStringLiteral("mlx-venv")) const {
        return engine.path() + QLatin1Char('/') + venv + QStringLiteral("/bin/python");
    }

    TempFolder engine;
    ScopedEnvironment environment;
    ScopedFakePlatform fakes;
    FakeProcessTable& processes = fakes.processTable;
};

TEST_F(StaleEngineTest, AFreePortNeedsNothing) {
    EXPECT_TRUE(replace());
    EXPECT_TRUE(processes.sent().isEmpty());
}

TEST_F(StaleEngineTest, AListenerThatIsNoEngineOfThisFolderIsNeverSignalled) {
    const QStringList others{
        QStringLiteral("/usr/bin/other-server --port 50099"),
        QStringLiteral("/elsewhere/mlx-venv/bin/python -c server"),
        // A folder whose name only begins with the engine folder's.
        engine.path() + QStringLiteral("-old/mlx-venv/bin/python -c server"),
        engine.path() + QStringLiteral("/other-venv/bin/python -c server"),
    };
    for (const QString& command : others) {
        SCOPED_TRACE(command.toStdString());
        listening(command);
        EXPECT_FALSE(replace());
    }
    listening(std::nullopt);
    EXPECT_FALSE(replace()) << "a command line that cannot be read";

    // Another account's listener holds the port, whether its process can be seen or not.
    const quint32 otherAccount = fakes.userAccount.uid + 1;
    processes.set(kPid, {.alive = false});
    processes.listen(kPort, kSocket);
    processes.listenAs(kPort, {otherAccount});
    EXPECT_FALSE(replace()) << "a holder that cannot be seen";
    listening(python() + QStringLiteral(" -c # quorvane engine 1.0"));
    EXPECT_FALSE(replace()) << "one running this folder's engine";
    EXPECT_FALSE(StaleEngine::replaceIfStaleNow(processes, kPort, {}, {}, 1ms));
    EXPECT_TRUE(processes.sent().isEmpty());
}

TEST_F(StaleEngineTest, AnEngineServerOfThisFolderIsTerminatedUnlessKept) {
    listening(python() + QStringLiteral(" -c # quorvane engine 1.0"));
    EXPECT_FALSE(replace([](const QString& command) { return command.contains(QStringLiteral("engine 1.0")); }));
    EXPECT_TRUE(processes.sent().isEmpty());

    EXPECT_TRUE(replace([](const QString& command) { return command.contains(QStringLiteral("engine 2.0")); }));
    EXPECT_EQ(processes.sent(), (QList<Sent>{{kPid, Signal::Terminate}}));
    QFile log(MlxServer::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(
        QStringLiteral("[quorvane] replacing an engine left from an earlier launch (pid %1)\n").arg(kPid).toUtf8()));

    // The cleanup model's interpreter too, and a folder given with a trailing slash.
    listening(python(QStringLiteral("llm-venv")) + QStringLiteral(" -m mlx_lm server"), kPid + 1);
    EXPECT_TRUE(StaleEngine::replaceIfStaleNow(processes, kPort, {}, engine.path() + QLatin1Char('/'), 1ms));
    EXPECT_EQ(processes.sent().constLast(), (Sent{kPid + 1, Signal::Terminate}));
}

TEST_F(StaleEngineTest, AServerThatIgnoresTerminationIsKilled) {
    processes.set(kPid, {.commandLine = python(), .sockets = {kSocket}, .endsOnTerminate = false});
    processes.listen(kPort, kSocket);
    EXPECT_TRUE(replace());
    EXPECT_EQ(processes.sent(), (QList<Sent>{{kPid, Signal::Terminate}, {kPid, Signal::Kill}}));

    // One that outlives even that still holds the port.
    processes.set(kPid, {.commandLine = python(), .sockets = {kSocket}, .endsOnTerminate = false, .endsOnKill = false});
    EXPECT_FALSE(replace());
}

TEST_F(StaleEngineTest, AListenerLeftRunningKeepsItsVerdictWhileItsProcessLives) {
    listening(python(), kPid, kSocket, 900);
    int asked = 0;
    const StaleEngine::KeepTest keep = [&asked](const QString&) {
        ++asked;
        return true;
    };
    ListenerVerdicts verdicts;
    const auto check = [&] { return StaleEngine::replaceIfStaleNow(processes, kPort, keep, {}, 1ms, &verdicts); };

    EXPECT_FALSE(check());
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(processes.listenerSearches(), 1) << "the second check went by the verdict";
    const auto known = verdicts.remembered(kPort);
    ASSERT_TRUE(known.has_value());
    EXPECT_EQ(*known, (ListenerVerdicts::Listener{kSocket, kPid, 900, engine.path()}));

    // The same process id with another start time is another process.
    listening(python(), kPid, kSocket, 901);
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 2);
    // So is a verdict made for another engine folder.
    ListenerVerdicts::Listener otherFolder = *verdicts.remembered(kPort);
    otherFolder.engineRoot += QStringLiteral("-other");
    verdicts.remember(kPort, otherFolder);
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 3);

    // A new listener on the port is judged afresh, though the old process lives on.
    listening(python(), kPid + 1, kSocket + 1);
    processes.set(kPid, {.commandLine = python(), .startTime = 901});
    EXPECT_FALSE(check());
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(verdicts.remembered(kPort)->pid, kPid + 1);

    // A verdict ends with its process; a listener that is replaced leaves none.
    processes.end(kPid + 1);
    EXPECT_TRUE(check());
    listening(python(), kPid + 2, kSocket + 2);
    EXPECT_TRUE(StaleEngine::replaceIfStaleNow(processes, kPort, {}, {}, 1ms, &verdicts));
    EXPECT_EQ(verdicts.remembered(kPort), std::nullopt);
    EXPECT_EQ(asked, 4);
}

} // namespace
