#include "app/NoteDocument.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NoteDocument {

namespace {

Read refused(const QString& problem) { return {std::nullopt, problem}; }

QString tooLarge() { return QStringLiteral("It is larger than 4 MB, the most a note document holds."); }

QString unreadable(const QString& why) { return QStringLiteral("It could not be read (%1).").arg(why); }

} // namespace

Read read(const QString& path) {
    // Without waiting: opening a FIFO for reading would wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refused(unreadable(QString::fromLocal8Bit(std::strerror(errno))));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return refused(QStringLiteral("It is not a regular file."));
    }
    if (status.st_size > kMaxBytes) {
        ::close(fd);
        return refused(tooLarge());
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refused(unreadable(file.errorString()));
    }
    // One byte more than the limit tells a file that grew since it was looked at.
    QByteArray data = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refused(unreadable(file.errorString()));
    if (data.size() > kMaxBytes)
        return refused(tooLarge());
    return {std::move(data), QString()};
}

} // namespace NoteDocument
