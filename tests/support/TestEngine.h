#pragma once

#include "engine/ModelTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// An engine folder for tests: a Python environment with the program's Linux
// speech packages, made once per test program by scripts/make-engine.sh in a
// temporary folder, and a copy of the dictation model from the build's
// distribution, so the program finds a complete engine at launch. Point
// QV_ENGINE_ROOT at folder() to use it.
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
        m_ready = make.waitForFinished(60000) && make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0
                  && copyModel();
    }

    // Copies, never links: a test that damages a model file must not reach
    // the system's copy.
    bool copyModel() const {
        const QString from =
            ModelTable::distributionFolder() + QLatin1Char('/') + QLatin1String(ModelTable::kModelName);
        const QString to = m_dir.filePath(QStringLiteral("models/") + QLatin1String(ModelTable::kModelName));
        for (const ModelFile& file : ModelTable::files()) {
            const QString target = to + QLatin1Char('/') + file.name;
            if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(from + QLatin1Char('/') + file.name, target))
                return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
    bool m_ready = false;
};
