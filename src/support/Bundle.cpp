#include "support/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Bundle {

QString resourceFolder() {
    // QUORVANE_RESOURCES lets a packaged build or a test point elsewhere.
    const QString overridden = qEnvironmentVariable("QUORVANE_RESOURCES");
    if (!overridden.isEmpty())
        return overridden;
    if (QCoreApplication::instance()) {
        const QString besideProgram =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quorvane"));
        if (QFileInfo(besideProgram).isDir())
            return besideProgram;
    }
    if (QFileInfo(QStringLiteral(QUORVANE_BUILD_RESOURCES)).isDir())
        return QStringLiteral(QUORVANE_BUILD_RESOURCES);
    return QStringLiteral(QUORVANE_INSTALL_RESOURCES);
}

QString resource(const QString& name) {
    const QString path = resourceFolder() + QLatin1Char('/') + name;
    return QFileInfo::exists(path) ? path : QString();
}

} // namespace Bundle
