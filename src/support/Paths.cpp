#include "support/Paths.h"

#include <QDir>
#include <QUuid>

#include <sys/stat.h>

namespace {

// An XDG variable counts only when it holds an absolute path.
QString xdgFolder(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(Paths::home() + QLatin1Char('/') + fallbackUnderHome);
}

} // namespace

namespace Paths {

QString home() {
    const QString value = qEnvironmentVariable("HOME");
    return value.isEmpty() ? QDir::homePath() : QDir::cleanPath(value);
}

QString applicationSupport() { return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")); }

QString userData() { return applicationSupport() + QStringLiteral("/Quorvane Native"); }

QString engineFolder() { return applicationSupport() + QStringLiteral("/Quorvane"); }

QString logs() { return xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state")); }

QString config() { return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config")); }

QString temp() { return QDir::tempPath(); }

QString makePrivateTempFolder(const QString& prefix) {
    const QString path =
        temp() + QLatin1Char('/') + prefix + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces);
    // mkdir with the final mode: there is no moment when others could enter.
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        return {};
    return path;
}

} // namespace Paths
