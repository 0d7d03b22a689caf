#include "engine/RetiredModels.h"

#include "engine/MlxServer.h"
#include "support/Defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace RetiredModels {

const QStringList& retired() {
    static const QStringList names = {QStringLiteral("models--mlx-community--Qwen2.5-3B-Instruct-4bit")};
    return names;
}

QString modelsFolder() { return QDir::cleanPath(MlxServer::engineRoot()) + QStringLiteral("/models"); }

void run(const QString& folder, Defaults& defaults) {
    const QString doneKey = QStringLiteral("retiredModelsCleaned.v1");
    if (defaults.boolOr(doneKey, false))
        return;
    namespace fs = std::filesystem;
    QStringList removed;
    for (const QString& name : retired()) {
        const QString model = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(model) || QFileInfo(model).isSymLink()) {
            std::error_code error;
            fs::remove_all(fs::path(QFile::encodeName(model).toStdString()), error);
            if (error)
                MlxServer::note(QStringLiteral("could not remove retired model ") + name + QStringLiteral(": ")
                                + QString::fromStdString(error.message()));
            else
                removed << name;
        }
    }
    defaults.set(doneKey, true);
    if (!removed.isEmpty())
        MlxServer::note(QStringLiteral("removed retired models: ") + removed.join(QStringLiteral(", ")));
}

} // namespace RetiredModels
