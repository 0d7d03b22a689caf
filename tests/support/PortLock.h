#pragma once

#include <QDir>
#include <QFile>
#include <QHash>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Holds a fixed loopback port for this test process against every other test
// process on the machine, also those of other build folders that CTest's
// RESOURCE_LOCK does not see: an exclusive lock on a file named after the port
// in the temporary folder, waited for up to `waitMs`. Nested holders in one
// process share the lock.
class PortLock {
public:
    explicit PortLock(quint16 port, int waitMs = 100000) : m_port(port) {
        Held& held = registry()[port];
        if (held.count++ > 0)
            return;
        const QByteArray path =
            QFile::encodeName(QDir::tempPath() + QStringLiteral("/quorvane-port-%1.lock").arg(port));
        held.fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        for (int waited = 0; held.fd >= 0 && ::flock(held.fd, LOCK_EX | LOCK_NB) != 0 && waited < waitMs; waited += 50)
            QThread::msleep(50);
    }
    ~PortLock() {
        Held& held = registry()[m_port];
        if (--held.count == 0 && held.fd >= 0) {
            ::close(held.fd);
            held.fd = -1;
        }
    }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

private:
    struct Held {
        int fd = -1;
        int count = 0;
    };
    static QHash<quint16, Held>& registry() {
        static QHash<quint16, Held> held;
        return held;
    }

    quint16 m_port;
};
