#include "engine/ModelTable.h"

#include "engine/EngineConfiguration.h"
#include "engine/MlxServer.h"
#include "support/Bundle.h"

#include <QDir>
#include <QUrl>

#include <numeric>

namespace ModelTable {

ModelFiles files() {
    // Sizes as shipped by Debian 12's pocketsphinx-en-us 0.8+5prealpha+1-15;
    // "config.json" is resources/engine-model/config.json.
    return {
        {QStringLiteral("config.json"), 162},
        {QStringLiteral("en-us/feat.params"), 230},
        {QStringLiteral("en-us/mdef"), 2959176},
        {QStringLiteral("en-us/means"), 838732},
        {QStringLiteral("en-us/noisedict"), 56},
        {QStringLiteral("en-us/sendump"), 1969024},
        {QStringLiteral("en-us/transition_matrices"), 2080},
        {QStringLiteral("en-us/variances"), 838732},
        {QStringLiteral("en-us.lm.bin"), 27114385},
        {QStringLiteral("cmudict-en-us.dict"), 3272051},
    };
}

qint64 totalBytes(const ModelFiles& files) {
    return std::accumulate(files.cbegin(), files.cend(), qint64{0},
                           [](qint64 sum, const ModelFile& file) { return sum + file.size; });
}

QString modelFolder() {
    return QDir::cleanPath(MlxServer::engineRoot()) + QStringLiteral("/models/") + QLatin1String(kModelName);
}

QString distributionFolder() {
    return QDir::cleanPath(Bundle::resourceFolder() + QLatin1Char('/')
                           + QLatin1String(EngineConfiguration::kDistributionResource));
}

QUrl projectBase() { return QUrl::fromLocalFile(distributionFolder()); }

QList<QUrl> bases() {
    QList<QUrl> result;
    if (qEnvironmentVariableIsSet(kBaseVariable))
        result.append(QUrl(qEnvironmentVariable(kBaseVariable)));
    result.append(projectBase());
    if (const QString mirror = QLatin1String(EngineConfiguration::kMirrorBase); !mirror.isEmpty())
        result.append(QUrl(mirror));
    return result;
}

QUrl below(const QUrl& base, const QString& path) {
    if (!base.isValid() || base.scheme().isEmpty())
        return {};
    QString joined = base.path(QUrl::FullyDecoded);
    if (!joined.endsWith(QLatin1Char('/')))
        joined += QLatin1Char('/');
    QUrl url = base;
    url.setPath(joined + path, QUrl::DecodedMode);
    return url;
}

QUrl address(const QUrl& base, const QString& name) {
    return below(base, QLatin1String(kModelName) + QLatin1Char('/') + name);
}

} // namespace ModelTable
