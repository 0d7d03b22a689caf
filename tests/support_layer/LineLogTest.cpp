#include "support/LineLog.h"
#include "support/FileModes.h"
#include "support/TempFolder.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(LineLogTest, AppendsStampedLinesAndCreatesItsFolder) {
    const ScopedUmask desktop;
    TempFolder folder;
    LineLog log(folder.file(QStringLiteral("deep/logs/trace.log")));
    log.appendStamped(QStringLiteral("first"), QStringLiteral("  mic  "));
    log.append(QStringLiteral("second"));
    const QStringList lines = QString::fromUtf8(folder.read("deep/logs/trace.log")).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  mic  first$"))
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("second"));
    // What it says of the user is theirs alone.
    EXPECT_EQ(modeOf(folder.file("deep/logs/trace.log")), 0600);
    EXPECT_EQ(modeOf(folder.file("deep/logs")), 0700);
    EXPECT_EQ(modeOf(folder.file("deep")), 0700);

    // A log an earlier version left readable by others is narrowed by its next line.
    const QString older = folder.write("older.log", "before\n");
    ASSERT_EQ(modeOf(older), 0644);
    LineLog(older).append(QStringLiteral("after"));
    EXPECT_EQ(modeOf(older), 0600);
    EXPECT_EQ(folder.read("older.log"), QByteArray("before\nafter\n"));
}

TEST(LineLogTest, RotatesToOneOlderFileAtTheLimit) {
    TempFolder folder;
    LineLog log(folder.file(QStringLiteral("trace.log")), 10);
    // Written by an earlier version, open to others: the older file is the user's alone too.
    folder.write("trace.log", "0123456789\n");
    ASSERT_TRUE(QFile::setPermissions(folder.file("trace.log"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    log.append(QStringLiteral("next"));
    log.append(QStringLiteral("again"));
    EXPECT_EQ(folder.read("trace.log.1"), QByteArray("0123456789\n"));
    EXPECT_EQ(modeOf(folder.file("trace.log.1")), 0600);
    EXPECT_EQ(folder.read("trace.log"), QByteArray("next\nagain\n"));
}

} // namespace
