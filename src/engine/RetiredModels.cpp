#include "engine/RetiredModels.h"

#include "engine/MlxServer.h"
#include "support/Defaults.h"

#include <QFileInfo>

#include <filesystem>

namespace RetiredModels {

const QStringList& retired() {
    static const QStringList names = {QStringLiteral("models--mlx-community--Qwen2.5-3B-Instruct-4bit")};
    return names;
}

QString hubCache(const QProcessEnvironment& environment, const QString& home) {
    const QString hubCacheValue = environment.value(QStringLiteral("HF_HUB_CACHE"));
    if (!hubCacheValue.isEmpty())
        return hubCacheValue;
    const QString hfHome = environment.value(QStringLiteral("HF_HOME"));
    if (!hfHome.isEmpty())
        return hfHome + QStringLiteral("/hub");
    return home + QStringLiteral("/.cache/huggingface/hub");
}

void run(const QString& cache, Defaults& defaults) {
    const QString doneKey = QStringLiteral("retiredModelsCleaned.v1");
    if (defaults.boolOr(doneKey, false))
        return;
    namespace fs = std::filesystem;
    QStringList removed;
    for (const QString& name : retired()) {
        const QString folder = cache + QLatin1Char('/') + name;
        if (QFileInfo::exists(folder) || QFileInfo(folder).isSymLink()) {
            std::error_code error;
            fs::remove_all(fs::path(folder.toStdString()), error);
            if (error)
                MlxServer::note(QStringLiteral("could not remove retired model ") + name + QStringLiteral(": ")
                                + QString::fromStdString(error.message()));
            else
                removed << name;
        }
        std::error_code ignored;
        fs::remove_all(fs::path((cache + QStringLiteral("/.locks/") + name).toStdString()), ignored);
    }
    defaults.set(doneKey, true);
    if (!removed.isEmpty())
        MlxServer::note(QStringLiteral("removed retired models: ") + removed.join(QStringLiteral(", ")));
}

} // namespace RetiredModels
