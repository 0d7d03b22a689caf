#include "support/PrivateFiles.h"

#include "support/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

// Whether `path` lies inside one of the program's base folders, below it.
bool insideBaseFolders(const QString& path) {
    for (const QString& base : {Paths::applicationSupport(), Paths::config(), Paths::logs()}) {
        if (path.startsWith(base + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool narrowedPermissions(QFileDevice& file) {
    const QFileDevice::Permissions now = file.permissions();
    return (now & ~PrivateFiles::kOwnerBits) == 0 || file.setPermissions(now & PrivateFiles::kOwnerBits);
}

} // namespace

namespace PrivateFiles {

bool narrow(const QString& path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &info) != 0)
        return errno == ENOENT;
    if (S_ISLNK(info.st_mode) || (info.st_mode & 077) == 0)
        return true;
    return ::chmod(name.constData(), info.st_mode & 07700) == 0;
}

bool makeFolder(const QString& folder) {
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    for (QString at = path; !QFileInfo::exists(at);) {
        missing.prepend(at);
        const QString parent = QFileInfo(at).absolutePath();
        if (parent == at)
            break;
        at = parent;
    }
    for (const QString& each : missing) {
        // mkdir with the final mode: there is no moment when others could enter.
        if (::mkdir(QFile::encodeName(each).constData(), kFolderMode) != 0 && errno != EEXIST)
            return false;
    }
    for (QString at = path; insideBaseFolders(at); at = QFileInfo(at).absolutePath())
        narrow(at);
    return QFileInfo(path).isDir();
}

bool open(QFile& file, QIODevice::OpenMode mode) {
    makeFolder(QFileInfo(file.fileName()).absolutePath());
    if (!file.open(mode, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    narrowedPermissions(file);
    return true;
}

bool open(QSaveFile& file, QIODevice::OpenMode mode) {
    makeFolder(QFileInfo(file.fileName()).absolutePath());
    if (!file.open(mode))
        return false;
    // A new file's temporary copy is made with the umask's rights, and an
    // existing file's with its own: both lose the others' bits before a byte
    // is in.
    if (!narrowedPermissions(file)) {
        file.cancelWriting();
        return false;
    }
    return true;
}

bool claim(const QString& path) {
    makeFolder(QFileInfo(path).absolutePath());
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kFileMode);
    if (descriptor < 0)
        return false;
    struct stat info {};
    const bool narrowed = ::fstat(descriptor, &info) == 0
                          && ((info.st_mode & 077) == 0 || ::fchmod(descriptor, info.st_mode & 07700) == 0);
    ::close(descriptor);
    return narrowed;
}

} // namespace PrivateFiles
