#pragma once

#include "engine/EngineBootstrap.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

// An engine set-up that needs neither network nor setup tool: it fails at once
// or, with `works`, builds an environment; the engine's services answer at
// once, as a healthy engine does.
class StandInEngine {
public:
    EngineBootstrap::Setup setup(bool works) {
        EngineBootstrap::Setup s;
        s.engineRoot = [this] { return m_root.path(); };
        s.bases = [] { return QList<QUrl>(); };
        s.locateUv = [works]() -> std::optional<QString> {
            return works ? std::optional(QStringLiteral("/usr/bin/python3")) : std::nullopt;
        };
        s.stageScript = [this]() -> std::optional<QString> {
            return m_scripts.write(QStringLiteral("s.sh"), "#!/bin/sh\n");
        };
        s.runProcess = [](const QString&, const QStringList& arguments, std::function<void(QString)>) {
            // An interpreter that passes the import check.
            QDir().mkpath(arguments.at(1) + QStringLiteral("/bin"));
            QFile python(arguments.at(1) + QStringLiteral("/bin/python"));
            python.open(QIODevice::WriteOnly);
            python.write("#!/bin/sh\nexit 0\n");
            python.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return QtFuture::makeReadyFuture(true);
        };
        s.restartPause = std::chrono::milliseconds(1);
        return s;
    }

    static EngineServices services() {
        EngineServices s;
        s.ensureReady = [] { return QtFuture::makeReadyFuture(true); };
        s.warmUp = [] { return QtFuture::makeReadyFuture(); };
        s.stopServer = [] { return QtFuture::makeReadyFuture(); };
        s.cleanupServerUp = [] { return QtFuture::makeReadyFuture(true); };
        s.startCleanupServer = [] { return QtFuture::makeReadyFuture(); };
        s.checkModel = [] { return QtFuture::makeReadyFuture(200); };
        return s;
    }

private:
    TempFolder m_root;
    TempFolder m_scripts;
};
