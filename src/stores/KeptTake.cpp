#include "stores/KeptTake.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

KeptTake::KeptTake(const QString& folder) : m_file(QDir(folder).filePath(QStringLiteral("failed-take.wav"))) {}

bool KeptTake::keep(const QByteArray& wav) { return m_file.write(wav); }

std::optional<QByteArray> KeptTake::wav() const {
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray wav = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return wav;
}

std::optional<QDateTime> KeptTake::keptAt() const {
    const QFileInfo info(path());
    return info.isFile() ? std::optional(info.lastModified().toUTC()) : std::nullopt;
}

void KeptTake::discard() { QFile::remove(path()); }
