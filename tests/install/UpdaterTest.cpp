#include "install/Updater.h"
#include "install/InstallFolder.h"

#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct VersionRow {
    const char* a;
    const char* b;
    bool newer;
};

TEST(UpdaterVersions, ComparesNumbersPieceByPiece) {
    const VersionRow rows[] = {
        {"1.2.10", "1.2.9", true},
        {"1.2.9", "1.2.10", false},
        {"1.2", "1.2.0", false},
        {"2", "1.9.9", true},
        {"1.2a", "1.0", false}, // "2a" counts as 0: reads as 1.0
        {"1", "", true},
        {"", "0", false},
        {"1.2", "1..2", false},                   // two dots count as one, not as a 0 piece
        {"1.+3", "1.2", true},                    // a leading plus is a number
        {"1. 3", "1.0", false},                   // a space makes the piece 0
        {"1.99999999999999999999", "1.1", false}, // out of range counts as 0
        {"1.9223372036854775807", "1.9223372036854775806", true},
    };
    for (const VersionRow& row : rows)
        EXPECT_EQ(Updater::isNewer(QString::fromUtf8(row.a), QString::fromUtf8(row.b)), row.newer)
            << row.a << " vs " << row.b;
}

TEST(UpdaterReceipt, ParsesTheScriptAndTheProgramForms) {
    EXPECT_FALSE(Updater::parseReceipt(QStringLiteral("ok")));
    EXPECT_FALSE(Updater::parseReceipt(QString()));
    EXPECT_EQ(Updater::parseReceipt(QStringLiteral("ok\n1.4\n")), (Updater::Receipt{"ok", "1.4", ""}));
    EXPECT_EQ(Updater::parseReceipt(QStringLiteral("blocked\n1.4\nmv: denied\nsecond line\n")),
              (Updater::Receipt{"blocked", "1.4", "mv: denied\nsecond line"}));
    // Status and version stand as written.
    EXPECT_EQ(Updater::parseReceipt(QStringLiteral(" ok \n1.4 ")), (Updater::Receipt{" ok ", "1.4 ", ""}));
}

TEST(UpdaterReceipt, WritesReadsAndClearsUnderApplicationSupport) {
    TempFolder home;
    ScopedEnvironment env("HOME", home.path().toUtf8());
    env.set("XDG_DATA_HOME", home.file("data").toUtf8());

    EXPECT_FALSE(Updater::lastAttempt());
    Updater::writeReceipt("restored", "2.0", "cp: no space\nleft");
    EXPECT_EQ(home.read("data/Quorvane/last-update.txt"), QByteArray("restored\n2.0\ncp: no space\nleft"));
    EXPECT_EQ(Updater::lastAttempt(), (Updater::Receipt{"restored", "2.0", "cp: no space\nleft"}));
    Updater::clearReceipt();
    EXPECT_FALSE(Updater::lastAttempt());
    Updater::clearReceipt(); // a missing file is fine
}

TEST(InstallFolderRules, OnlyTheNamedFolderWithAPlainMarkerCounts) {
    TempFolder root;
    root.write("Quorvane/quorvane-install.txt", "1.4.2\n");
    root.write("Quorvane/bin/quorvane", "");
    root.write("Other/quorvane-install.txt", "1.4.2\n");
    root.write("Other/bin/quorvane", "");
    root.mkdir("usr/bin");

    EXPECT_EQ(InstallFolder::folderOfExecutable(root.file("Quorvane/bin/quorvane")), root.file("Quorvane"));
    EXPECT_FALSE(InstallFolder::folderOfExecutable(root.file("Other/bin/quorvane")));
    EXPECT_FALSE(InstallFolder::folderOfExecutable(root.file("usr/bin/quorvane")));
    EXPECT_FALSE(InstallFolder::folderOfExecutable(root.file("Quorvane/quorvane")));
    EXPECT_EQ(InstallFolder::markerVersion(root.file("Quorvane")), QStringLiteral("1.4.2"));

    for (const char* bad : {"", "1.2; rm -rf ~", "$(touch x)", ".1", "1.2-beta", "111111111111111111111111111111111"}) {
        root.write("Quorvane/quorvane-install.txt", bad);
        EXPECT_FALSE(InstallFolder::isInstallFolder(root.file("Quorvane"))) << bad;
    }
}

TEST(UpdaterVersions, TheBuildReportsItsProjectVersionOutsideAnInstallFolder) {
    // The test program runs from the build tree: no marker, so the build's version.
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral(QUORVANE_VERSION));
}

} // namespace
