#include "audio/Recorder.h"
#include "support/LineLog.h"
#include "support/Paths.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString traceFile() { return Paths::engineFolder() + QStringLiteral("/bubble-trace.log"); }

class TraceTest : public testing::Test {
protected:
    void SetUp() override { QDir(Paths::engineFolder()).removeRecursively(); }
    void TearDown() override { QDir(Paths::engineFolder()).removeRecursively(); }
};

TEST_F(TraceTest, TheFirstLineCreatesTheFolderAndLinesAreTimeStampedMicLines) {
    ASSERT_FALSE(QDir(Paths::engineFolder()).exists());
    Recorder::trace(QStringLiteral("start  device=Pipe mic  format=16000 Hz, 1 ch"));
    Recorder::trace(QStringLiteral("größe ✓"));

    const QString text = QString::fromUtf8(fileBytes(traceFile()));
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 3) << text.toStdString();
    EXPECT_TRUE(lines[2].isEmpty()); // every line ends with a line feed
    const QRegularExpression stamped(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  mic  (.*)$"));
    const auto first = stamped.match(lines[0]);
    ASSERT_TRUE(first.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(first.captured(1), QStringLiteral("start  device=Pipe mic  format=16000 Hz, 1 ch"));
    EXPECT_EQ(stamped.match(lines[1]).captured(1), QStringLiteral("größe ✓"));
}

TEST_F(TraceTest, AFullLogIsRotatedToOneOlderFile) {
    QDir().mkpath(Paths::engineFolder());
    {
        QFile full(traceFile());
        ASSERT_TRUE(full.open(QIODevice::WriteOnly));
        full.write(QByteArray(2 * 1024 * 1024, 'x'));
        QFile older(traceFile() + QStringLiteral(".1"));
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("the oldest lines\n");
    }
    Recorder::trace(QStringLiteral("after rotation"));

    EXPECT_EQ(QFile(traceFile() + QStringLiteral(".1")).size(), 2 * 1024 * 1024);
    EXPECT_TRUE(fileBytes(traceFile()).endsWith("  mic  after rotation\n"));
    EXPECT_LT(QFile(traceFile()).size(), 100);
}

TEST_F(TraceTest, AnUnwritableLogIsIgnored) {
    QDir().mkpath(traceFile()); // a folder where the file should be
    Recorder::trace(QStringLiteral("lost"));
    EXPECT_TRUE(QFileInfo(traceFile()).isDir());
}

} // namespace
