#include "platform/linux/DetachedProgramLauncher.h"
#include "platform/linux/FreedesktopFileManager.h"

#include "support/FakeUrlOpener.h"
#include "support/TempFolder.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(FolderExchangeTest, SwapsTwoFoldersInOneStepOrSaysWhyNot) {
    TempFolder folder;
    folder.write("a/which", "a");
    folder.write("b/which", "b");
    FakeUrlOpener opener;
    FreedesktopFileManager files(opener, QDBusConnection(QStringLiteral("none")));
    EXPECT_EQ(files.exchange(folder.file("a"), folder.file("b")), 0);
    EXPECT_EQ(folder.read("a/which"), QByteArray("b"));
    EXPECT_EQ(folder.read("b/which"), QByteArray("a"));
    EXPECT_EQ(files.exchange(folder.file("a"), folder.file("missing")), ENOENT);
    EXPECT_EQ(folder.read("a/which"), QByteArray("b"));
}

TEST(DetachedProgramLauncherTest, PassesArgumentsAsTheyAreWithoutAShell) {
    TempFolder folder;
    const QString out = folder.file("out");
    DetachedProgramLauncher launcher;
    ASSERT_TRUE(launcher.startDetached(QStringLiteral("/bin/sh"),
                                       {QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" > \"$2\""),
                                        QStringLiteral("sh"), QStringLiteral("$(touch canary) `x` 'q'"), out}));
    QDeadlineTimer deadline(5000);
    while (folder.read("out").isEmpty() && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_EQ(folder.read("out"), QByteArray("$(touch canary) `x` 'q'"));
    EXPECT_FALSE(launcher.startDetached(folder.file("no-such-program"), {}));
}

} // namespace
