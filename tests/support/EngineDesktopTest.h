#pragma once

#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/PortLock.h"
#include "support/TestEngine.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>

// A test on the harness's desktop with the real platform services and the test
// engine: skipped outside scripts/run-tests.sh, it holds the engine's port and
// keeps the Linux services installed for its whole run.
class EngineDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        engine = TestEngine::folder();
        ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
        m_port.emplace(MlxServer::port);
        m_linux.emplace();
        m_previous = Platform::install(m_linux->services());
    }

    void TearDown() override {
        // Ended while the port is still held: a dying engine keeps it for a moment.
        MlxServer::shared().stop();
        if (m_previous)
            Platform::install(*m_previous);
    }

    // The engine this process itself starts is the test engine.
    void useTestEngineHere() const { qputenv("QV_ENGINE_ROOT", QFile::encodeName(engine)); }

    QString engine;

private:
    std::optional<PortLock> m_port;
    std::optional<LinuxPlatform> m_linux;
    std::optional<Platform> m_previous;
};
