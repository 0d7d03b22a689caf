#include "support/LineLog.h"
#include "support/TempFolder.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(LineLogTest, AppendsStampedLinesAndCreatesItsFolder) {
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
}

TEST(LineLogTest, RotatesToOneOlderFileAtTheLimit) {
    TempFolder folder;
    LineLog log(folder.file(QStringLiteral("trace.log")), 10);
    log.append(QStringLiteral("0123456789"));
    log.append(QStringLiteral("next"));
    log.append(QStringLiteral("again"));
    EXPECT_EQ(folder.read("trace.log.1"), QByteArray("0123456789\n"));
    EXPECT_EQ(folder.read("trace.log"), QByteArray("next\nagain\n"));
}

} // namespace
