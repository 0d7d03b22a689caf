#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>

#include <sys/stat.h>

// The permission bits of the file or folder at `path` (0600, 0755, …), the
// link itself for a symbolic link; -1 when there is none.
inline int modeOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

// The umask most desktops start programs with (022) for the life of the
// object: a writer that leaves a new file's rights to it makes it readable by
// every account.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask = 022) : m_saved(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_saved); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_saved;
};

// Every file and folder below `root` that the group or others have any right
// to, each as its path relative to `root` and its mode ("history.json 644"),
// joined by ", "; symbolic links are skipped. Empty when all is private.
inline std::string openToOthers(const QString& root) {
    QStringList open;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const int mode = modeOf(path);
        if (!it.fileInfo().isSymLink() && (mode & 077) != 0)
            open.append(QDir(root).relativeFilePath(path) + QStringLiteral(" ") + QString::number(mode, 8));
    }
    return open.join(QStringLiteral(", ")).toStdString();
}
