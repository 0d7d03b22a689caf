#include "app/SingleInstance.h"

#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QThread>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <latch>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The "nobody" account's ids, standing for another user of the machine.
constexpr uid_t kSomeoneElse = 65534;

QString uniqueName() { return QStringLiteral("quorvane-test-") + QUuid::createUuid().toString(QUuid::Id128); }

// What a program that crashed leaves behind: a socket file nobody listens on.
bool leaveStaleSocket(const QString& name) {
    const QByteArray path = QFile::encodeName(QDir(QDir::tempPath()).filePath(name));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    qstrcpy(address.sun_path, path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound && QFile::exists(QString::fromLocal8Bit(path));
}

TEST(SingleInstanceTest, ALaterLaunchHandsItsDocumentsToTheRunningOne) {
    const QString name = uniqueName();
    SingleInstance later(name);
    EXPECT_FALSE(later.handOver({})); // nobody running yet

    SingleInstance running(name);
    ASSERT_EQ(running.claim({}), SingleInstance::Claim::Running);
    QSignalSpy reopened(&running, &SingleInstance::reopened);
    EXPECT_EQ(later.claim({QStringLiteral("/tmp/a.quorvane"), QStringLiteral("/tmp/b c.quorvane")}),
              SingleInstance::Claim::HandedOver);
    ASSERT_TRUE(reopened.wait(3000));
    EXPECT_EQ(reopened[0][0].toStringList(),
              (QStringList{QStringLiteral("/tmp/a.quorvane"), QStringLiteral("/tmp/b c.quorvane")}));
}

TEST(SingleInstanceTest, OnlyASocketNobodyAnswersOnIsTakenOver) {
    const QString name = uniqueName();
    ASSERT_TRUE(leaveStaleSocket(name));
    SingleInstance running(name);
    ASSERT_TRUE(running.listen()); // the crashed program's socket is replaced

    // A launch that missed the running one must not take its socket away.
    SingleInstance late(name);
    EXPECT_FALSE(late.listen());
    QSignalSpy reopened(&running, &SingleInstance::reopened);
    EXPECT_TRUE(SingleInstance(name).handOver({}));
    EXPECT_TRUE(reopened.wait(3000));
}

TEST(SingleInstanceTest, LaunchesAtTheSameMomentEndWithOneRunningInstance) {
    constexpr int kLaunches = 4;
    constexpr int kRounds = 2;
    for (int round = 0; round < kRounds; ++round) {
        const QString name = uniqueName();
        std::latch go(kLaunches);
        std::latch decided(kLaunches);
        std::vector<SingleInstance::Claim> claims(kLaunches, SingleInstance::Claim::Failed);
        std::vector<std::unique_ptr<QThread>> launches;
        for (int i = 0; i < kLaunches; ++i) {
            launches.emplace_back(QThread::create([&, i] {
                SingleInstance instance(name);
                go.arrive_and_wait();
                claims[i] = instance.claim({});
                // Every launch keeps its socket until all have decided.
                decided.arrive_and_wait();
            }));
            launches.back()->start();
        }
        for (const auto& launch : launches)
            ASSERT_TRUE(launch->wait(30000));
        const auto running = std::count(claims.cbegin(), claims.cend(), SingleInstance::Claim::Running);
        const auto handedOver = std::count(claims.cbegin(), claims.cend(), SingleInstance::Claim::HandedOver);
        EXPECT_EQ(running, 1) << "round " << round;
        EXPECT_EQ(handedOver, kLaunches - 1) << "round " << round;
    }
}

TEST(SingleInstanceTest, TheSocketAndItsLockLiveInAFolderOnlyTheUserMayEnter) {
    TempFolder temp;
    const QString runtime = temp.mkdir(QStringLiteral("run"));
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QString shared = temp.mkdir(QStringLiteral("tmp"));
    ScopedEnvironment environment("TMPDIR", QFile::encodeName(shared));
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime));

    const QString name = SingleInstance::defaultName();
    EXPECT_EQ(QFileInfo(name).path(), runtime);
    {
        SingleInstance running(name);
        ASSERT_EQ(running.claim({}), SingleInstance::Claim::Running);
        EXPECT_TRUE(QFileInfo(name).exists());
        EXPECT_EQ(SingleInstance(SingleInstance::defaultName()).claim({}), SingleInstance::Claim::HandedOver);
        // Neither the socket nor the turn's lock went to the shared temporary folder.
        EXPECT_TRUE(QDir(shared).isEmpty()) << QDir(shared).entryList().join(' ').toStdString();
    }

    // A runtime folder others may enter does not count; the fallback is a folder of the user's own, 0700.
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFile::permissions(runtime) | QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString fallback = SingleInstance::defaultName();
    ASSERT_FALSE(fallback.isEmpty());
    const QFileInfo folder(QFileInfo(fallback).path());
    ASSERT_EQ(folder.path(), shared);
    EXPECT_EQ(folder.ownerId(), ::getuid());
    EXPECT_EQ(folder.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstance::defaultName(), fallback);

    // Another user took the fallback's name first: it is not used, and no socket is made anywhere.
    if (::geteuid() != 0)
        return;
    ASSERT_TRUE(QDir(folder.filePath()).removeRecursively());
    ASSERT_TRUE(QDir().mkdir(folder.filePath()));
    ASSERT_EQ(::chown(QFile::encodeName(folder.filePath()).constData(), kSomeoneElse, kSomeoneElse), 0);
    EXPECT_TRUE(SingleInstance::defaultName().isEmpty());
    EXPECT_EQ(SingleInstance(SingleInstance::defaultName()).claim({}), SingleInstance::Claim::Failed);
    EXPECT_TRUE(QDir(folder.filePath()).isEmpty());
}

} // namespace
