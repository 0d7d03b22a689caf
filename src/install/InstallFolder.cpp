#include "install/InstallFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace InstallFolder {

namespace {
// A marker is one short line; anything much larger is not ours.
constexpr qint64 kMaxMarkerBytes = 256;
} // namespace

bool isPlainVersion(const QString& version) {
    if (version.isEmpty() || version.size() > kMaxVersionLength || !version.front().isDigit())
        return false;
    for (const QChar c : version) {
        if (!(c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            return false;
    }
    return true;
}

std::optional<QString> markerVersion(const QString& folder) {
    QFile file(folder + QLatin1Char('/') + QLatin1String(kMarkerName));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxMarkerBytes)
        return std::nullopt;
    const QString text = QString::fromUtf8(file.read(kMaxMarkerBytes));
    const QString firstLine = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (!isPlainVersion(firstLine))
        return std::nullopt;
    return firstLine;
}

bool isInstallFolder(const QString& folder) {
    const QFileInfo info(folder);
    return info.fileName() == QLatin1String(kFolderName) && info.isDir() && markerVersion(folder).has_value();
}

std::optional<QString> folderOfExecutable(const QString& executablePath) {
    if (executablePath.isEmpty())
        return std::nullopt;
    const QFileInfo program(executablePath);
    const QDir bin = program.absoluteDir();
    if (bin.dirName() != QLatin1String("bin"))
        return std::nullopt;
    const QString folder = QDir::cleanPath(bin.absolutePath() + QStringLiteral("/.."));
    if (!isInstallFolder(folder))
        return std::nullopt;
    return folder;
}

std::optional<QString> running() {
    if (!QCoreApplication::instance())
        return std::nullopt;
    // applicationFilePath resolves /proc/self/exe, so a symlink to the program
    // elsewhere still leads back to the folder it lives in.
    return folderOfExecutable(QCoreApplication::applicationFilePath());
}

} // namespace InstallFolder
