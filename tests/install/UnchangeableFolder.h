#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Makes a folder one the running user cannot change, for as long as it lives:
// read-only for an ordinary user, and marked immutable for root, whom no
// permission bit stops (the tests run as root in CI). `held()` is false where
// the file system keeps no such mark.
class UnchangeableFolder {
public:
    explicit UnchangeableFolder(const QString& folder) : m_folder(folder) {
        if (::geteuid() != 0) {
            m_held = QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return;
        }
        m_held = setImmutable(true);
    }
    ~UnchangeableFolder() {
        if (!m_held)
            return;
        if (::geteuid() != 0)
            QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        else
            setImmutable(false);
    }
    UnchangeableFolder(const UnchangeableFolder&) = delete;
    UnchangeableFolder& operator=(const UnchangeableFolder&) = delete;

    bool held() const { return m_held; }

private:
    bool setImmutable(bool on) const {
        const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_folder;
    bool m_held = false;
};
