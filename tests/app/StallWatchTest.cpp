// The stall benchmark's watch on the test's own GUI thread: a stall is logged
// with its length, and while it lasts the watch samples where the GUI thread
// is, in lines the benchmark's reader of gaps passes over.
#include "app/StallWatch.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QList>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(StallWatchTest, AStallIsLoggedWithTheStacksOfTheGuiThreadWhileItLasts) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("stalls.log"));
    {
        StallWatch watch(path);
        QTest::qWait(30);
        // The stall: the GUI thread asleep in the C library.
        std::this_thread::sleep_for(150ms);
        QTest::qWait(30);
        watch.mark("exit");
    }
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    qint64 gapEnd = 0, gapLength = 0;
    QList<qint64> sampledAt;
    bool inTheSleep = false, exitMarked = false;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2 && fields[0] == "exit") {
            exitMarked = true;
        } else if (fields.size() == 2 && fields[0] != "start") {
            if (fields[1].toLongLong() > gapLength) {
                gapEnd = fields[0].toLongLong();
                gapLength = fields[1].toLongLong();
            }
        } else if (fields.size() >= 4 && fields[0] == "stack") {
            if (sampledAt.isEmpty() || sampledAt.last() != fields[1].toLongLong())
                sampledAt.append(fields[1].toLongLong());
            EXPECT_GE(fields[2].toLongLong(), 20) << line.toStdString();
            inTheSleep = inTheSleep || line.contains("nanosleep");
        } else {
            EXPECT_TRUE(line.isEmpty() || fields[0] == "start") << "a line no reader knows: " << line.toStdString();
        }
    }
    EXPECT_TRUE(exitMarked);
    ASSERT_GE(gapLength, 150);
    // Sampled from 20 ms into the stall, every 10 ms.
    EXPECT_GE(sampledAt.size(), 5);
    for (const qint64 at : sampledAt) {
        EXPECT_GT(at, gapEnd - gapLength);
        EXPECT_LE(at, gapEnd);
    }
    EXPECT_TRUE(inTheSleep) << "no sample shows the GUI thread in its sleep";
}

} // namespace
