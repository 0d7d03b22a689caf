#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// An engine folder for tests: a Python environment with the program's Linux
// speech packages, made once per test program by scripts/make-engine.sh in a
// temporary folder. Point QV_ENGINE_ROOT at folder() to use it.
class TestEngine {
public:
    // The engine folder, or an empty string when it could not be made.
    static QString folder() {
        static TestEngine engine;
        return engine.m_ready ? engine.m_dir.path() : QString();
    }

private:
    TestEngine() {
        QProcess make;
        make.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        make.start(QStringLiteral(QUORVANE_TEST_SOURCE "/../scripts/make-engine.sh"), {m_dir.path()});
        m_ready = make.waitForFinished(60000) && make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    bool m_ready = false;
};
