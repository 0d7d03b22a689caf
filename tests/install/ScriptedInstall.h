#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <functional>

// Helpers for tests that let the install scripts run for real.

// The process id of a program that has already ended: a script's wait for it is over at once.
inline qint64 endedPid() {
    QProcess process;
    process.start(QStringLiteral("true"));
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

// Lets events and detached scripts run until `condition` holds or `ms` pass.
inline bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(20);
    return condition();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

// An install folder of `version` whose program, once started, leaves `ranMarker` beside bin/.
inline void makeInstallFolder(const QString& folder, const QByteArray& version, const QByteArray& ranMarker) {
    writeFile(folder + "/quorvane-install.txt", version + "\n");
    writeFile(folder + "/bin/quorvane", "#!/bin/sh\ntouch \"$(dirname \"$0\")/../" + ranMarker + "\"\n");
    QFile::setPermissions(folder + "/bin/quorvane",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
