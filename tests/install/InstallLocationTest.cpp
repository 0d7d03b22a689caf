#include "install/InstallLocation.h"
#include "install/InstallFolder.h"

#include "ArchiveMaker.h"
#include "ScriptedInstall.h"
#include "UnchangeableFolder.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using InstallLocation::Roots;

const Roots kRoots{"/home/ann", {"/opt/", "/home/ann/Applications/"}};

TEST(InstallLocationRules, OnlyCopiesInsideTheRootsAreCorrect) {
    EXPECT_TRUE(InstallLocation::isCorrect("/opt/Quorvane", kRoots));
    EXPECT_TRUE(InstallLocation::isCorrect("/home/ann/Applications/Renamed", kRoots));
    EXPECT_FALSE(InstallLocation::isCorrect("/home/ann/Downloads/Quorvane", kRoots));
    EXPECT_FALSE(InstallLocation::isCorrect("/optional/Quorvane", kRoots));
    EXPECT_FALSE(InstallLocation::isCorrect("/opt/AppTranslocation/X/Quorvane", kRoots));
    EXPECT_TRUE(InstallLocation::isTranslocated("/private/var/AppTranslocation/1/d/Quorvane"));
}

TEST(InstallLocationRules, DescribesTheFolderAndNamesOnlyAQuorvaneOutsideTheRootsAsLeftover) {
    EXPECT_EQ(InstallLocation::whereItIs("/home/ann/Downloads/Quorvane", kRoots), QStringLiteral("~/Downloads"));
    EXPECT_EQ(InstallLocation::whereItIs("/home/ann/Quorvane", kRoots), QStringLiteral("~"));
    EXPECT_EQ(InstallLocation::whereItIs("/home/annex/Quorvane", kRoots), QStringLiteral("/home/annex"));

    EXPECT_EQ(InstallLocation::leftover("/home/ann/Downloads/Quorvane", kRoots),
              QStringLiteral("/home/ann/Downloads/Quorvane"));
    EXPECT_FALSE(InstallLocation::leftover("/home/ann/Downloads/Quorvane copy", kRoots));
    EXPECT_FALSE(InstallLocation::leftover("/home/ann/Downloads/quorvane", kRoots));
    EXPECT_FALSE(InstallLocation::leftover("/opt/Quorvane", kRoots));
    EXPECT_EQ(InstallLocation::moveTarget(kRoots), QStringLiteral("/home/ann/Applications/Quorvane"));
}

TEST(InstallLocationRules, ALinkedHomeOrApplicationsFolderIsTheFolderItLeadsTo) {
    TempFolder folder;
    // The program knows its own folder by its real path; the home it is told may be a link.
    makeInstallFolder(folder.file("real-home/Applications/Quorvane"), "1.0", "started");
    ASSERT_TRUE(QFile::link(folder.file("real-home"), folder.file("home")));
    const QString running = folder.file("real-home/Applications/Quorvane");
    const Roots linkedHome{folder.file("home"), {folder.file("home/Applications/")}};
    EXPECT_TRUE(InstallLocation::isCorrect(running, linkedHome));
    EXPECT_FALSE(InstallLocation::leftover(running, linkedHome));
    EXPECT_EQ(InstallLocation::whereItIs(running, linkedHome), QStringLiteral("~/Applications"));

    // An Applications folder that is a link to a folder elsewhere.
    makeInstallFolder(folder.file("disk/apps/Quorvane"), "1.0", "started");
    QDir().mkpath(folder.file("ann"));
    ASSERT_TRUE(QFile::link(folder.file("disk/apps"), folder.file("ann/Applications")));
    const Roots linkedApplications{folder.file("ann"), {folder.file("ann/Applications/")}};
    EXPECT_TRUE(InstallLocation::isCorrect(folder.file("disk/apps/Quorvane"), linkedApplications));
    EXPECT_FALSE(InstallLocation::leftover(folder.file("disk/apps/Quorvane"), linkedApplications));

    // A download is still outside, however the home is reached.
    makeInstallFolder(folder.file("real-home/Downloads/Quorvane"), "1.0", "started");
    EXPECT_FALSE(InstallLocation::isCorrect(folder.file("real-home/Downloads/Quorvane"), linkedHome));
    EXPECT_EQ(InstallLocation::leftover(folder.file("real-home/Downloads/Quorvane"), linkedHome),
              folder.file("real-home/Downloads/Quorvane"));
    EXPECT_EQ(InstallLocation::whereItIs(folder.file("real-home/Downloads/Quorvane"), linkedHome),
              QStringLiteral("~/Downloads"));
}

// Moves run for real in a folder under the test's temporary home, where the
// trash is the home's own.
class MoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.programLauncher.reallyStart = true;
        home = QDir::homePath() + "/move-" + QString::number(QDateTime::currentMSecsSinceEpoch());
        roots = Roots{home, {home + "/Applications/"}};
    }
    void TearDown() override { QDir(home).removeRecursively(); }

    QString makeCopy(const QString& folder, const QByteArray& version) {
        makeInstallFolder(folder, version, "started");
        return folder;
    }

    ScopedFakePlatform platform;
    QString home;
    Roots roots;
    int quits = 0;
};

TEST_F(MoveTest, ADownloadedCopyMovesReplacesTheOldOneGoesToTheTrashAndStarts) {
    // Shell syntax in the path stays a path.
    const QString source = makeCopy(home + "/Downloads/it's $(cd;touch canary) `x`/Quorvane", "2.0");
    makeCopy(home + "/Applications/Quorvane", "1.0");
    // Folders of the user's own beside the target, named as a move's work names might be.
    writeFile(home + "/Applications/Quorvane.old/mine.txt", "kept");
    writeFile(home + "/Applications/Quorvane.new/mine.txt", "kept too");
    ASSERT_TRUE(InstallLocation::moveToApplications(source, roots, endedPid(), [this] { ++quits; }));
    const QString target = home + "/Applications/Quorvane";
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(target + "/started"); }));
    EXPECT_EQ(InstallFolder::markerVersion(target), QStringLiteral("2.0"));
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(source); }));
    // Trashed, not deleted: it can be restored.
    EXPECT_FALSE(QDir(QDir::homePath() + "/.local/share/Trash/files").entryList({"Quorvane*"}, QDir::Dirs).isEmpty());
    EXPECT_EQ(readAll(target + ".old/mine.txt"), QByteArray("kept"));
    EXPECT_EQ(readAll(target + ".new/mine.txt"), QByteArray("kept too"));
    // Nothing of the script's own work is left beside the target.
    EXPECT_EQ(QDir(home + "/Applications").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"Quorvane", "Quorvane.new", "Quorvane.old"}));
    EXPECT_TRUE(waitFor([&] { return quits == 1; }));
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + "/canary"));
}

TEST_F(MoveTest, ACopyAlreadyInApplicationsThroughALinkIsNeitherMovedNorTrashed) {
    // ~/Applications is a link to a folder on another disk, and the program runs from there.
    const QString running = makeCopy(home + "/disk/apps/Quorvane", "1.0");
    ASSERT_TRUE(QFile::link(home + "/disk/apps", home + "/Applications"));
    EXPECT_TRUE(InstallLocation::moveToApplications(running, roots, endedPid(), [this] { ++quits; }));
    // The home itself reached through a link.
    ASSERT_TRUE(QFile::link(home, home + "-link"));
    const Roots linkedHome{home + "-link", {home + "-link/Applications/"}};
    EXPECT_TRUE(InstallLocation::moveToApplications(running, linkedHome, endedPid(), [this] { ++quits; }));
    QFile::remove(home + "-link");

    EXPECT_TRUE(platform.programLauncher.launches.isEmpty());
    QTest::qWait(int(InstallLocation::kQuitDelay.count()) + 50);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(InstallFolder::markerVersion(running), QStringLiteral("1.0"));
    EXPECT_FALSE(QFileInfo::exists(running + "/started"));
}

TEST_F(MoveTest, ATargetThatTurnsOutToBeTheCopyItselfIsStartedAsItStands) {
    const QString source = makeCopy(home + "/Downloads/Quorvane", "2.0");
    // The move waits for this process; meanwhile ~/Applications becomes a link to the download's folder.
    QProcess program;
    program.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(InstallLocation::moveToApplications(source, roots, program.processId(), {}));
    ASSERT_TRUE(QFile::link(home + "/Downloads", home + "/Applications"));
    program.kill();
    program.waitForFinished();

    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(source + "/started"); }));
    EXPECT_EQ(InstallFolder::markerVersion(source), QStringLiteral("2.0"));
    EXPECT_TRUE(QDir(QDir::homePath() + "/.local/share/Trash/files").entryList({"Quorvane*"}, QDir::Dirs).isEmpty());
    EXPECT_EQ(QDir(home + "/Downloads").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"Quorvane"}));
}

TEST_F(MoveTest, RefusesManagedCopiesAndDoesNothingAtTheTarget) {
    const QString target = makeCopy(home + "/Applications/Quorvane", "1.0");
    EXPECT_TRUE(InstallLocation::moveToApplications(target, roots, endedPid(), [this] { ++quits; }));
    QDir().mkpath(home + "/usr/bin");
    EXPECT_FALSE(InstallLocation::moveToApplications(home + "/usr", roots, endedPid(), [this] { ++quits; }));
    EXPECT_TRUE(platform.programLauncher.launches.isEmpty());
    QTest::qWait(int(InstallLocation::kQuitDelay.count()) + 50);
    EXPECT_EQ(quits, 0);
}

TEST_F(MoveTest, AMoveThatCouldNotLandIsRefusedBeforeTheProgramQuits) {
    const QString source = makeCopy(home + "/Downloads/Quorvane", "2.0");
    const QString target = home + "/Applications/Quorvane";
    const auto refused = [&](const char* why) {
        SCOPED_TRACE(why);
        EXPECT_FALSE(InstallLocation::moveToApplications(source, roots, endedPid(), [this] { ++quits; }));
    };
    // A folder of the user's own where the copy would go.
    QDir().mkpath(target + "/photos");
    refused("a foreign folder at the target");
    EXPECT_TRUE(QFileInfo::exists(target + "/photos"));
    QDir(target).removeRecursively();
    // A link there, even to an install folder.
    const QString elsewhere = makeCopy(home + "/disk/Quorvane", "1.0");
    ASSERT_TRUE(QFile::link(elsewhere, target));
    refused("a link at the target");
    QFile::remove(target);
    ASSERT_TRUE(QDir(home + "/Applications").removeRecursively());
    // "Applications" is a file.
    writeFile(home + "/Applications", "not a folder");
    refused("Applications is a file");
    QFile::remove(home + "/Applications");
    {
        // A folder this account cannot change.
        QDir().mkpath(home + "/Applications");
        const UnchangeableFolder unchangeable(home + "/Applications");
        if (unchangeable.held())
            refused("Applications cannot be changed");
    }
    EXPECT_TRUE(platform.programLauncher.launches.isEmpty());
    QTest::qWait(int(InstallLocation::kQuitDelay.count()) + 50);
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(QFileInfo::exists(source + "/bin/quorvane"));
    EXPECT_EQ(InstallFolder::markerVersion(elsewhere), QStringLiteral("1.0"));
}

TEST(MakeInstallFolderScript, InstallsABuildWithTheMarkerAndReplacesOnlyAnInstallFolder) {
    TempFolder folder;
    // A stand-in build tree: "cmake --install" runs its cmake_install.cmake.
    folder.write("build/CMakeCache.txt", "CMAKE_PROJECT_VERSION:STATIC=3.4.5\n");
    folder.write("build/quorvane", "#!/bin/sh\n");
    folder.write("build/cmake_install.cmake",
                 "file(INSTALL DESTINATION \"${CMAKE_INSTALL_PREFIX}/bin\" TYPE PROGRAM FILES \""
                     + folder.file("build/quorvane").toUtf8() + "\")\n");
    const QString script = QStringLiteral(QUORVANE_TEST_SOURCE "/../scripts/make-install-folder.sh");
    auto run = [&](const QStringList& extra) {
        QProcess process;
        process.start(script, QStringList{folder.file("build"), folder.file("parent")} + extra);
        process.waitForFinished(60000);
        return process.exitCode();
    };
    ASSERT_EQ(run({}), 0);
    const QString made = folder.file("parent/Quorvane");
    EXPECT_EQ(InstallFolder::markerVersion(made), QStringLiteral("3.4.5"));
    EXPECT_TRUE(QFileInfo(made + "/bin/quorvane").isExecutable());
    EXPECT_EQ(InstallFolder::folderOfExecutable(made + "/bin/quorvane"), made);

    EXPECT_EQ(run({"3.5"}), 0);
    EXPECT_EQ(InstallFolder::markerVersion(made), QStringLiteral("3.5"));
    EXPECT_NE(run({"3.5; touch canary"}), 0);
    EXPECT_EQ(QDir(folder.file("parent")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Quorvane"});

    QDir(made).removeRecursively();
    folder.write("parent/Quorvane/mine.txt", "not ours");
    EXPECT_NE(run({}), 0);
    EXPECT_EQ(folder.read("parent/Quorvane/mine.txt"), QByteArray("not ours"));
}

} // namespace
