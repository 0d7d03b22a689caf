#include "engine/MlxServer.h"

#include "support/LineLog.h"
#include "support/Paths.h"

QString MlxServer::engineRoot() {
    const QString overridden = qEnvironmentVariable("QV_ENGINE_ROOT");
    return overridden.isEmpty() ? Paths::engineFolder() : overridden;
}

QString MlxServer::logFolder() { return Paths::engineFolder() + QStringLiteral("/mlx-server-logs"); }

QString MlxServer::logFile() { return logFolder() + QStringLiteral("/engine.log"); }

void MlxServer::note(const QString& text) { LineLog(logFile()).append(QStringLiteral("[quorvane] ") + text); }
