// Reading memory pressure from the kernel's files.
#include "platform/linux/LinuxMemoryPressure.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using Level = MemoryPressure::Level;

TEST(LinuxMemoryPressure, PressureStallFiguresGiveTheLevel) {
    const auto psi = [](const char* some, const char* full) {
        return LinuxMemoryPressure::fromPsi(QByteArray("some avg10=") + some + " avg60=0.00 avg300=0.00 total=1\n"
                                            + "full avg10=" + full + " avg60=0.00 avg300=0.00 total=1\n");
    };
    EXPECT_EQ(psi("0.00", "0.00").level, std::nullopt);
    EXPECT_EQ(psi("9.99", "0.00").level, std::nullopt);
    EXPECT_EQ(psi("10.00", "2.00").level, std::optional(Level::Warning));
    EXPECT_EQ(psi("35.00", "12.50").level, std::optional(Level::Critical));
    EXPECT_TRUE(psi("0.00", "0.00").valid);
    EXPECT_FALSE(LinuxMemoryPressure::fromPsi("").valid);
    EXPECT_FALSE(LinuxMemoryPressure::fromPsi("some avg10=lots\n").valid);
}

TEST(LinuxMemoryPressure, AvailableMemoryGivesTheLevelWherePressureFiguresAreMissing) {
    const auto meminfo = [](int total, int available) {
        return LinuxMemoryPressure::fromMeminfo(QStringLiteral("MemTotal:       %1 kB\nMemFree:  1 kB\n"
                                                               "MemAvailable:   %2 kB\n")
                                                    .arg(total)
                                                    .arg(available)
                                                    .toUtf8());
    };
    EXPECT_EQ(meminfo(1000000, 500000).level, std::nullopt);
    EXPECT_EQ(meminfo(1000000, 99999).level, std::optional(Level::Warning));
    EXPECT_EQ(meminfo(1000000, 49999).level, std::optional(Level::Critical));
    EXPECT_FALSE(LinuxMemoryPressure::fromMeminfo("MemTotal: 0 kB\nMemAvailable: 0 kB\n").valid);
    EXPECT_FALSE(LinuxMemoryPressure::fromMeminfo("MemTotal: 100 kB\n").valid);
}

TEST(LinuxMemoryPressure, TheHandlerHearsOnlyRisesAndFallsBackToMeminfo) {
    TempFolder folder;
    const QString psi = folder.file("psi");
    const QString meminfo = folder.write("meminfo", "MemTotal: 1000 kB\nMemAvailable: 80 kB\n");
    LinuxMemoryPressure watcher(psi, meminfo, 60000);
    QList<Level> heard;
    watcher.watch([&](Level level) { heard.append(level); });

    watcher.check(); // no pressure file: meminfo says warning
    watcher.check();
    EXPECT_EQ(heard, QList<Level>{Level::Warning});

    folder.write("psi", "some avg10=50.00 avg60=0 avg300=0 total=9\nfull avg10=20.00 avg60=0 avg300=0 total=9\n");
    watcher.check();
    folder.write("psi", "some avg10=12.00 avg60=0 avg300=0 total=9\nfull avg10=0.00 avg60=0 avg300=0 total=9\n");
    watcher.check();
    EXPECT_EQ(heard, (QList<Level>{Level::Warning, Level::Critical})) << "a fall is not reported";

    folder.write("psi", "some avg10=0.00 avg60=0 avg300=0 total=9\nfull avg10=0.00 avg60=0 avg300=0 total=9\n");
    watcher.check();
    folder.write("psi", "some avg10=11.00 avg60=0 avg300=0 total=9\nfull avg10=0.00 avg60=0 avg300=0 total=9\n");
    watcher.check();
    EXPECT_EQ(heard.size(), 3);
    EXPECT_EQ(heard.last(), Level::Warning);

    watcher.stopWatching();
    folder.write("psi", "some avg10=0.00 avg60=0 avg300=0 total=9\nfull avg10=50.00 avg60=0 avg300=0 total=9\n");
    watcher.check();
    EXPECT_EQ(heard.size(), 3);
}

} // namespace
