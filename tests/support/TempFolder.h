#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// The bytes of the file at `path`; empty when it can't be read.
inline QByteArray fileBytes(const QString& path) {
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// A temporary folder with small helpers for writing and reading files in it.
class TempFolder {
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

    // Writes `contents` to `relative`, creating the folders on the way.
    QString write(const QString& relative, const QByteArray& contents) const {
        const QString target = file(relative);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile out(target);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(contents);
        return target;
    }

    QByteArray read(const QString& relative) const { return fileBytes(file(relative)); }

    QString mkdir(const QString& relative) const {
        QDir().mkpath(file(relative));
        return file(relative);
    }

private:
    QTemporaryDir m_dir;
};
