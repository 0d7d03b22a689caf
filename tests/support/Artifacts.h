#pragma once

#include <QDir>
#include <QImage>
#include <QString>

// Pictures tests leave for people to look at: "artifacts/" in the build
// folder. A test target names that folder with QUORVANE_ARTIFACTS.
namespace Artifacts {

inline QString folder() {
#ifdef QUORVANE_ARTIFACTS
    return QStringLiteral(QUORVANE_ARTIFACTS);
#else
    return QDir::current().filePath(QStringLiteral("artifacts"));
#endif
}

// Saves `image` as `name` (a PNG file name); answers the path, or an empty
// string when it could not be written.
inline QString save(const QImage& image, const QString& name) {
    QDir().mkpath(folder());
    const QString path = QDir(folder()).filePath(name);
    return image.save(path, "PNG") ? path : QString();
}

} // namespace Artifacts
