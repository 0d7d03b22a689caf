#include "platform/linux/KdeAnimationSetting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStandardPaths>

namespace {

const QString kFileName = QStringLiteral("kdeglobals");

} // namespace

QStringList KdeAnimationSetting::standardFolders() {
    return QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
}

KdeAnimationSetting::KdeAnimationSetting(QStringList folders)
    : m_folders(std::move(folders)), m_enabled(read()), m_watcher(std::make_unique<QFileSystemWatcher>()) {
    const auto reread = [this] {
        // A file saved by renaming a new one over it leaves the watch: take it again.
        watch();
        const std::optional<bool> enabled = read();
        if (enabled == m_enabled)
            return;
        m_enabled = enabled;
        emit changed();
    };
    connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this, reread);
    connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, this, reread);
    watch();
}

KdeAnimationSetting::~KdeAnimationSetting() = default;

std::optional<bool> KdeAnimationSetting::animationsEnabled() const { return m_enabled; }

std::optional<double> KdeAnimationSetting::durationFactor(const QByteArray& kdeglobals) {
    bool inGroup = false;
    for (const QByteArray& raw : kdeglobals.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[KDE]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inGroup || equals < 0)
            continue;
        QByteArray key = line.left(equals).trimmed();
        // "Key[$i]": a key the administrator locked; the name is what counts.
        if (const qsizetype flags = key.indexOf("[$"); flags >= 0)
            key.truncate(flags);
        if (key != "AnimationDurationFactor")
            continue;
        bool ok = false;
        const double factor = line.mid(equals + 1).trimmed().toDouble(&ok);
        return ok && factor >= 0 ? std::optional(factor) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<bool> KdeAnimationSetting::read() const {
    for (const QString& folder : m_folders) {
        QFile file(QDir(folder).filePath(kFileName));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        if (const std::optional<double> factor = durationFactor(file.readAll()))
            return *factor > 0;
    }
    return std::nullopt;
}

void KdeAnimationSetting::watch() {
    for (const QString& folder : m_folders) {
        const QString file = QDir(folder).filePath(kFileName);
        if (QFileInfo::exists(folder) && !m_watcher->directories().contains(folder))
            m_watcher->addPath(folder);
        if (QFileInfo::exists(file) && !m_watcher->files().contains(file))
            m_watcher->addPath(file);
    }
}
