#include "engine/EngineMigration.h"

#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <filesystem>

namespace {

// Reads `path` as UTF-8 text; nothing when the bytes are not valid UTF-8.
std::optional<QString> readUtf8(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

void rewriteScript(const QFileInfo& script, const QString& oldPath, const QString& newPath) {
    const std::optional<QString> text = readUtf8(script.filePath());
    if (!text || !text->contains(oldPath))
        return;
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::perms mode = fs::status(script.filePath().toStdString(), error).permissions();
    if (error)
        return;
    QString rewritten = *text;
    rewritten.replace(oldPath, newPath);
    QSaveFile out(script.filePath());
    if (!PrivateFiles::open(out, QIODevice::WriteOnly) || out.write(rewritten.toUtf8()) < 0 || !out.commit())
        return;
    fs::permissions(script.filePath().toStdString(), mode & fs::perms::owner_all, fs::perm_options::replace, error);
}

} // namespace

namespace EngineMigration {

const QStringList& items() {
    static const QStringList names = {QStringLiteral("mlx-venv"), QStringLiteral("llm-venv"), QStringLiteral("models")};
    return names;
}

void repairScripts(const QString& venv, const QString& oldPath, const QString& newPath) {
    const QFileInfoList entries = QDir(venv + QStringLiteral("/bin")).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        // A link (bin/python and friends) is not a script of the environment.
        if (entry.isSymLink() || entry.size() < 1 || entry.size() > 199'999)
            continue;
        rewriteScript(entry, oldPath, newPath);
    }
}

void run(const QString& applicationSupport) {
    const QString former = applicationSupport + QStringLiteral("/Brindlewick");
    const QString current = applicationSupport + QStringLiteral("/Quorvane");
    if (!QFileInfo(former).isDir())
        return;
    PrivateFiles::makeFolder(current);
    for (const QString& item : items()) {
        const QString oldPath = former + QLatin1Char('/') + item;
        const QString newPath = current + QLatin1Char('/') + item;
        // exists() follows links, so a dangling link at the new place also counts.
        if (!QFileInfo::exists(oldPath) || QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink())
            continue;
        if (QDir().rename(oldPath, newPath)) {
            if (item.endsWith(QStringLiteral("venv")))
                repairScripts(newPath, oldPath, newPath);
        } else {
            // Leave the data where it is and let the engine reach it through a link.
            QFile::link(oldPath, newPath);
        }
    }
}

void run() { run(Paths::applicationSupport()); }

} // namespace EngineMigration
