#pragma once

#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/EngineWait.h"
#include "support/PortLock.h"
#include "support/ProgramRun.h"
#include "support/QtPrinting.h"
#include "support/TestEngine.h"

#include <QFile>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <optional>

// The real program started with self-test switches in a private home, which
// is also its working folder; its temporary folder is "tmp" in the home.
class SelfTestLaunch {
public:
    explicit SelfTestLaunch(const QByteArray& settings = "{}") : home(settings) {
        home.mkdir(QStringLiteral("tmp"));
        home.mkdir(QStringLiteral("no-engine"));
    }
    ~SelfTestLaunch() {
        program.kill();
        program.waitForFinished(5000);
    }

    // An engine folder with nothing installed: a first run.
    QString noEngine() const { return home.file(QStringLiteral("no-engine")); }
    QString temporaryFolder() const { return home.file(QStringLiteral("tmp")); }

    bool start(const QString& engine, const QList<std::pair<QString, QString>>& switches) {
        QProcessEnvironment environment = home.environment(engine);
        environment.insert(QStringLiteral("TMPDIR"), temporaryFolder());
        for (const auto& [name, value] : switches)
            environment.insert(name, value);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(home.path());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(QUORVANE_BINARY), {});
        return program.waitForStarted(10000);
    }

    // The result file once it is there (it is written whole at once).
    std::optional<QString> result(const QString& path, int timeoutMs = 30000) const {
        if (!QTest::qWaitFor([&] { return QFile::exists(path); }, timeoutMs))
            return std::nullopt;
        return QString::fromUtf8(fileBytes(path));
    }

    testing::AssertionResult quitsByItself() { return finishes(program, std::chrono::seconds(30)); }

    ProgramHome home;
    QProcess program;
};

// A test on the harness's desktop with the real platform services, holding
// the engine's port for the program under test; skipped elsewhere.
class SelfTestDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        m_port.emplace(MlxServer::port);
        m_linux.emplace();
        m_previous = Platform::install(m_linux->services());
        MlxServer::shared().stop();
        ASSERT_TRUE(waitForEngine(false));
    }
    void TearDown() override {
        if (!m_previous)
            return;
        EXPECT_TRUE(waitForEngine(false, 15000)) << "an engine outlived its program";
        Platform::install(*m_previous);
    }

    // An installed engine: made on first use, as that takes a while.
    static QString engine() {
        const QString folder = TestEngine::folder();
        EXPECT_FALSE(folder.isEmpty()) << "the test engine could not be made";
        return folder;
    }

private:
    std::optional<PortLock> m_port;
    std::optional<LinuxPlatform> m_linux;
    std::optional<Platform> m_previous;
};
