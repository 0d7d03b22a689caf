#include "install/BuildValues.h"
#include "install/UpdateCheck.h"
#include "install/Updater.h"

#include "ArchiveMaker.h"
#include "HttpsFixture.h"
#include "ScriptedInstall.h"
#include "UnchangeableFolder.h"
#include "support/Await.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QNetworkAccessManager>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

using Outcome = UpdateCheck::Outcome;

constexpr const char* kNewProgram = "#!/bin/sh\necho started > \"$(dirname \"$0\")/../relaunched\"\n";

bool waitForFile(const QString& path) {
    return waitFor([&] { return QFileInfo::exists(path); });
}

QList<ArchiveEntry> release(const QString& version) {
    return {
        {"Quorvane/", {}, ArchiveEntry::Kind::Folder, 0755, {}},
        {"Quorvane/quorvane-install.txt", version.toUtf8() + "\n", ArchiveEntry::Kind::File, 0644, {}},
        {"Quorvane/bin/quorvane", kNewProgram, ArchiveEntry::Kind::File, 0755, {}},
        {"Quorvane/share/quorvane/new.txt", "new", ArchiveEntry::Kind::File, 0644, {}},
    };
}

class UpdateFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.ready());
        platform.programLauncher.reallyStart = true;
        makeInstall(root.file("apps/Quorvane"));
    }

    void makeInstall(const QString& folder) {
        installFolder = folder;
        makeInstallFolder(folder, "1.0", "old-ran");
        writeFile(folder + "/old.txt", "old");
    }

    // Serves `entries` as the release archive and a manifest naming it.
    void publish(const QList<ArchiveEntry>& entries, const QString& version = QStringLiteral("2.0"),
                 ArchiveFormat format = ArchiveFormat::Zip) {
        const QString archive = root.file(QStringLiteral("release.bin"));
        QFile::remove(archive);
        ASSERT_TRUE(writeArchive(archive, entries, format));
        archiveBytes = readAll(archive);
        serveArchive(archiveBytes);
        publishManifest(version, server.url("/Quorvane.zip").toString(), keys.sign(archiveBytes).toBase64());
    }

    void serveArchive(const QByteArray& bytes) { server.route("/Quorvane.zip", {200, bytes, {}, -1}); }

    void publishManifest(const QString& version, const QString& url, const QByteArray& signature) {
        const QByteArray json = "{\"version\":\"" + version.toUtf8() + "\",\"url\":\"" + url.toUtf8()
                                + "\",\"notes\":\"Faster.\",\"signature\":\"" + signature + "\",\"extra\":1}";
        server.route("/version.json", {200, json, {}, -1});
    }

    UpdateCheck::Settings settings() {
        UpdateCheck::Settings s;
        s.manifestUrl = server.url("/version.json");
        s.site = QUrl(QStringLiteral("https://quorvane.example"));
        s.releaseKey = keys.publicKey;
        s.installFolder = installFolder;
        s.runningVersion = QStringLiteral("1.0");
        s.roots = InstallLocation::Roots{root.path(), {QFileInfo(installFolder).path() + "/"}};
        s.pid = endedPid();
        s.stallTimeout = std::chrono::milliseconds(500);
        s.ssl = server.clientConfiguration();
        s.present = [this](const Alert& alert, std::function<void(int)> answered) {
            alerts.append(alert);
            answered(answers.isEmpty() ? 0 : answers.takeFirst());
        };
        s.quit = [this] { ++quits; };
        return s;
    }

    // The check lives on after it ends, as the program's does, so its quit timer can run.
    Outcome runCheck(bool userInitiated, UpdateCheck::Settings s) {
        check = std::make_unique<UpdateCheck>(std::move(s), network);
        return awaitResult(check->check(userInitiated), 20000);
    }
    Outcome runCheck(bool userInitiated) { return runCheck(userInitiated, settings()); }

    QStringList titles() const {
        QStringList list;
        for (const Alert& alert : alerts)
            list << alert.title;
        return list;
    }

    // The running install as it was made, and no file named "canary" anywhere.
    void expectUntouched() {
        EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("1.0\n"));
        EXPECT_EQ(readAll(installFolder + "/old.txt"), QByteArray("old"));
        EXPECT_FALSE(QFileInfo::exists(installFolder + "/share/quorvane/new.txt"));
        QDirIterator all(root.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                         QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString path = all.next();
            EXPECT_FALSE(path.contains(QLatin1String("canary"))) << path.toStdString();
            EXPECT_FALSE(path.endsWith(QLatin1String("/unpacked/Quorvane/bin/quorvane"))) << path.toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + "/canary"));
        EXPECT_TRUE(platform.programLauncher.launches.isEmpty());
        EXPECT_EQ(quits, 0);
    }

    ScopedFakePlatform platform;
    TempFolder root;
    HttpsFixture server;
    SigningKeys keys;
    QNetworkAccessManager network;
    std::unique_ptr<UpdateCheck> check;
    QString installFolder;
    QByteArray archiveBytes;
    QList<int> answers;
    QList<Alert> alerts;
    int quits = 0;
};

TEST_F(UpdateFlowTest, ASignedReleaseIsExchangedRecordedAndRelaunched) {
    publish(release("2.0"));
    const Outcome outcome = runCheck(true);
    EXPECT_EQ(outcome, Outcome::Relaunching);
    ASSERT_EQ(titles(), QStringList{"Quorvane 2.0 is available"});
    EXPECT_EQ(alerts[0].text, QStringLiteral("Faster.\n\nYou have 1.0. Install it now? Quorvane will relaunch."));

    EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("2.0\n"));
    EXPECT_EQ(readAll(installFolder + "/share/quorvane/new.txt"), QByteArray("new"));
    EXPECT_FALSE(QFileInfo::exists(installFolder + "/old.txt"));
    EXPECT_TRUE(QFileInfo(installFolder + "/bin/quorvane").isExecutable());
    EXPECT_EQ(Updater::lastAttempt(), (Updater::Receipt{"ok", "2.0", ""}));

    ASSERT_TRUE(waitForFile(installFolder + "/relaunched"));
    EXPECT_FALSE(QFileInfo::exists(installFolder + "/old-ran"));
    QTest::qWait(int(UpdateCheck::kQuitDelay.count()) + 50);
    EXPECT_EQ(quits, 1);
    // The script removed the work folder that held the old version.
    EXPECT_TRUE(
        waitFor([&] { return QDir(root.file("apps")).entryList({"qv-update-*"}, QDir::Dirs).isEmpty(); }, 5000));
}

TEST_F(UpdateFlowTest, AnInstalledReleaseThatCannotRestartSaysSoInsteadOfFailing) {
    platform.programLauncher.reallyStart = false;
    platform.programLauncher.succeeds = false;
    publish(release("2.0"));
    EXPECT_EQ(runCheck(true), Outcome::InstalledNeedsRestart);
    EXPECT_EQ(titles(), (QStringList{"Quorvane 2.0 is available", "Update installed"}));
    EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("2.0\n"));
    EXPECT_EQ(Updater::lastAttempt(), (Updater::Receipt{"ok", "2.0", ""}));
    QTest::qWait(int(UpdateCheck::kQuitDelay.count()) + 50);
    EXPECT_EQ(quits, 0);
}

TEST_F(UpdateFlowTest, AFolderThatRefusesTheExchangeIsSwappedByTheScriptAfterQuitting) {
    // Folders of the user's own beside the install, named as an update's work names might be.
    writeFile(installFolder + ".old/mine.txt", "kept");
    writeFile(installFolder + ".new/mine.txt", "kept too");
    platform.fileManager.exchangeError = EXDEV;
    publish(release("2.0"), QStringLiteral("2.0"), ArchiveFormat::TarGz);
    EXPECT_EQ(runCheck(false), Outcome::SwapScheduled);
    ASSERT_TRUE(waitForFile(installFolder + "/relaunched"));
    EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("2.0\n"));
    EXPECT_EQ(readAll(Updater::receiptPath()), QByteArray("ok\n2.0\n"));
    EXPECT_EQ(readAll(installFolder + ".old/mine.txt"), QByteArray("kept"));
    EXPECT_EQ(readAll(installFolder + ".new/mine.txt"), QByteArray("kept too"));
    // The script's own work folder is gone; nothing else of it is left beside the install.
    EXPECT_TRUE(waitFor(
        [&] {
            return QDir(root.file("apps")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                   == QStringList({"Quorvane", "Quorvane.new", "Quorvane.old"});
        },
        5000))
        << QDir(root.file("apps"))
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
               .join(' ')
               .toStdString();
}

TEST_F(UpdateFlowTest, AFileSystemThatCannotExchangeInOneStepIsSwappedByTheScript) {
    // NFS, CIFS, FAT and most FUSE homes answer the exchange with "invalid" or "not supported".
    for (const int error : {EINVAL, EOPNOTSUPP, ENOSYS}) {
        SCOPED_TRACE(std::strerror(error));
        makeInstall(root.file("apps/Quorvane"));
        QFile::remove(installFolder + "/relaunched");
        platform.fileManager.exchangeError = error;
        publish(release("2.0"));
        EXPECT_EQ(runCheck(false), Outcome::SwapScheduled);
        ASSERT_TRUE(waitForFile(installFolder + "/relaunched"));
        EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("2.0\n"));
        EXPECT_EQ(readAll(Updater::receiptPath()), QByteArray("ok\n2.0\n"));
        Updater::clearReceipt();
    }
    // A folder that has gone missing is no file system's shortcoming: the update fails.
    makeInstall(root.file("apps/Quorvane"));
    platform.fileManager.exchangeError = ENOENT;
    publish(release("2.0"));
    EXPECT_EQ(runCheck(false), Outcome::Failed);
}

TEST_F(UpdateFlowTest, ACopyInAFolderTheUserCannotChangeIsToldWhereToUpdateItAndNotOffered) {
    publish(release("2.0"));
    // The install folder itself, or the folder that holds it (as /opt holds a copy root put there).
    for (const QString& locked : {installFolder, root.file("apps")}) {
        SCOPED_TRACE(locked.toStdString());
        const UnchangeableFolder unchangeable(locked);
        if (!unchangeable.held())
            GTEST_SKIP() << "this file system cannot make a folder unchangeable";
        alerts.clear();
        EXPECT_EQ(runCheck(false), Outcome::Unchangeable);
        EXPECT_TRUE(alerts.isEmpty()) << titles().join(" | ").toStdString();
        EXPECT_EQ(runCheck(true), Outcome::Unchangeable);
        ASSERT_EQ(titles(), QStringList{"Quorvane can't update this copy"});
        EXPECT_EQ(alerts[0].text,
                  QStringLiteral("Quorvane 2.0 is available, but this copy is in ~/apps, which your account can't "
                                 "change. Download it from quorvane.example/download and install it there as this "
                                 "copy was installed, or move Quorvane into ~/Applications, where it updates itself."));
    }
    EXPECT_EQ(server.requests("/Quorvane.zip"), 0);
    expectUntouched();
}

TEST_F(UpdateFlowTest, ValuesFullOfShellSyntaxStayValues) {
    // Every value the scripts receive carries quotes, substitutions and backticks.
    makeInstall(root.file("apps/it's \"odd\" $(cd;touch canary) `cd;touch canary`/Quorvane"));
    platform.fileManager.exchangeError = EACCES;
    publish(release("2.0"));
    EXPECT_EQ(runCheck(true), Outcome::SwapScheduled);
    ASSERT_TRUE(waitForFile(installFolder + "/relaunched"));
    EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("2.0\n"));
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + "/canary"));
    EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + "/canary"));

    // A version that is not plain digits and dots makes the whole manifest unusable.
    alerts.clear();
    makeInstall(root.file("apps/Quorvane"));
    publishManifest("3.0$(cd;touch canary)", server.url("/Quorvane.zip").toString(),
                    keys.sign(archiveBytes).toBase64());
    EXPECT_EQ(runCheck(true), Outcome::NoManifest);
    EXPECT_EQ(titles(), QStringList{"Couldn't check for updates"});
}

TEST_F(UpdateFlowTest, SignaturesThatDoNotMatchTheBuiltInKeyAreRefused) {
    publish(release("2.0"));
    const SigningKeys stranger;
    const QList<QByteArray> signatures = {
        stranger.sign(archiveBytes).toBase64(),      // another key
        QByteArray(),                                // none
        keys.sign(archiveBytes + "x").toBase64(),    // other bytes
        keys.sign(archiveBytes).toBase64().left(40), // cut short
        "not base64 at all!",
    };
    for (const QByteArray& signature : signatures) {
        alerts.clear();
        publishManifest("2.0", server.url("/Quorvane.zip").toString(), signature);
        EXPECT_EQ(runCheck(true), Outcome::Failed) << signature.toStdString();
        EXPECT_EQ(titles(), (QStringList{"Quorvane 2.0 is available", "Update failed"}));
        expectUntouched();
    }
    EXPECT_EQ(
        alerts.last().text,
        QStringLiteral(
            "Quorvane couldn't install the update. You can download it directly from quorvane.example/download."));
}

TEST_F(UpdateFlowTest, ABuildWithoutAKeyAsksNoServerSaysSoWhenAskedAndNeverNags) {
    publish(release("2.0"));
    for (const bool inTheRoots : {true, false}) {
        UpdateCheck::Settings keyless = settings();
        keyless.releaseKey.clear();
        if (!inTheRoots)
            keyless.roots.prefixes = {QStringLiteral("/opt/")};
        alerts.clear();
        EXPECT_EQ(runCheck(false, keyless), Outcome::NoReleaseKey);
        EXPECT_TRUE(alerts.isEmpty()) << titles().join(" | ").toStdString();
        EXPECT_EQ(runCheck(true, keyless), Outcome::NoReleaseKey);
        ASSERT_EQ(titles(), QStringList{"This build does not update itself"});
        EXPECT_EQ(alerts[0].text,
                  QStringLiteral("This copy of Quorvane was built without a release signing key, so it cannot check an "
                                 "update and never installs one. You can download new versions directly from "
                                 "quorvane.example/download."));
    }
    EXPECT_EQ(server.requests("/version.json"), 0);
    expectUntouched();
}

TEST_F(UpdateFlowTest, HostileArchivesAreRefusedBeforeAnythingLandsOutside) {
    const QString outside = root.file("canary");
    const QList<QList<ArchiveEntry>> hostile = {
        {{"Quorvane/../../canary", "x", ArchiveEntry::Kind::File, 0644, {}}},
        {{"../canary", "x", ArchiveEntry::Kind::File, 0644, {}}},
        {{outside, "x", ArchiveEntry::Kind::File, 0644, {}}},
        {{"Quorvane/", {}, ArchiveEntry::Kind::Folder, 0755, {}},
         {"Quorvane/bin", {}, ArchiveEntry::Kind::Symlink, 0777, root.path()},
         {"Quorvane/bin/canary", "x", ArchiveEntry::Kind::File, 0644, {}}},
        {{"Quorvane/canary-link", {}, ArchiveEntry::Kind::Hardlink, 0644, outside}},
        {{"Quorvane/canary-fifo", {}, ArchiveEntry::Kind::Fifo, 0644, {}}},
    };
    for (const QList<ArchiveEntry>& entries : hostile) {
        alerts.clear();
        publish(entries, QStringLiteral("2.0"), ArchiveFormat::TarGz);
        EXPECT_EQ(runCheck(true), Outcome::Failed) << entries[0].name.toStdString();
        expectUntouched();
    }

    // Sound archives that are not the release offered.
    for (const QString& marker : {QStringLiteral("1.0"), QStringLiteral("0.9"), QStringLiteral("2.1")}) {
        publish(release(marker), QStringLiteral("2.0"));
        EXPECT_EQ(runCheck(true), Outcome::Failed) << marker.toStdString();
        expectUntouched();
    }
    QList<ArchiveEntry> renamed = release("2.0");
    for (ArchiveEntry& entry : renamed)
        entry.name.replace(QLatin1String("Quorvane/"), QLatin1String("Quorvane2/"));
    publish(renamed);
    EXPECT_EQ(runCheck(true), Outcome::Failed);
    expectUntouched();

    // Cut short on the way (the signature no longer matches), or cut short and signed so.
    publish(release("2.0"));
    serveArchive(archiveBytes.left(archiveBytes.size() / 2));
    EXPECT_EQ(runCheck(true), Outcome::Failed);
    const QByteArray truncated = archiveBytes.left(archiveBytes.size() - 30);
    serveArchive(truncated);
    publishManifest("2.0", server.url("/Quorvane.zip").toString(), keys.sign(truncated).toBase64());
    EXPECT_EQ(runCheck(true), Outcome::Failed);
    expectUntouched();
}

TEST_F(UpdateFlowTest, TheNetworkCannotDowngradeStallOrFloodTheCheck) {
    publish(release("2.0"));
    const QByteArray signature = keys.sign(archiveBytes).toBase64();

    // A plain http address, and an https one that redirects to http.
    publishManifest("2.0", "http://127.0.0.1:9/Quorvane.zip", signature);
    EXPECT_EQ(runCheck(true), Outcome::Failed);
    server.route(
        "/moved.zip",
        {302, {}, {{"Location", server.url("/Quorvane.zip").toString().replace("https:", "http:").toUtf8()}}, -1});
    publishManifest("2.0", server.url("/moved.zip").toString(), signature);
    EXPECT_EQ(runCheck(true), Outcome::Failed);
    EXPECT_EQ(server.requests("/Quorvane.zip"), 0);

    // A server that falls silent, and an archive over the cap.
    server.route("/Quorvane.zip", {200, archiveBytes, {}, 10});
    publishManifest("2.0", server.url("/Quorvane.zip").toString(), signature);
    EXPECT_EQ(runCheck(true), Outcome::Failed);
    serveArchive(archiveBytes);
    UpdateCheck::Settings capped = settings();
    capped.maxArchiveBytes = archiveBytes.size() - 1;
    EXPECT_EQ(runCheck(true, capped), Outcome::Failed);
    expectUntouched();

    // A manifest with huge fields, one redirected to http, and a 304: no manifest, silent at launch.
    alerts.clear();
    server.route("/version.json",
                 {200, "{\"version\":\"2.0\",\"url\":\"x\",\"notes\":\"" + QByteArray(100000, 'n') + "\"}", {}, -1});
    EXPECT_EQ(runCheck(false), Outcome::NoManifest);
    server.route("/version.json", {301, {}, {{"Location", "http://127.0.0.1:9/version.json"}}, -1});
    EXPECT_EQ(runCheck(false), Outcome::NoManifest);
    server.route("/version.json", {304, "{\"version\":\"2.0\",\"url\":\"x\"}", {}, -1});
    EXPECT_EQ(runCheck(false), Outcome::NoManifest);
    EXPECT_TRUE(alerts.isEmpty());
    expectUntouched();
}

TEST_F(UpdateFlowTest, TheCheckGoesStepByStepAndSilentChecksStayQuiet) {
    publish(release("2.0"));
    UpdateCheck::Settings current = settings();
    current.runningVersion = QStringLiteral("2.0");
    EXPECT_EQ(runCheck(false, current), Outcome::UpToDate);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(runCheck(true, current), Outcome::UpToDate);
    EXPECT_EQ(alerts.value(0).text, QStringLiteral("Quorvane 2.0 is the latest version."));

    // A managed copy is never offered anything; a copy outside the roots is told even when silent.
    alerts.clear();
    UpdateCheck::Settings managed = settings();
    managed.installFolder.reset();
    EXPECT_EQ(runCheck(false, managed), Outcome::Managed);
    EXPECT_TRUE(alerts.isEmpty());
    UpdateCheck::Settings elsewhere = settings();
    elsewhere.roots.prefixes = {QStringLiteral("/opt/")};
    EXPECT_EQ(runCheck(false, elsewhere), Outcome::WrongPlace);
    ASSERT_EQ(titles(), QStringList{"Move Quorvane to Applications first"});
    EXPECT_TRUE(alerts[0].text.startsWith(QStringLiteral("Quorvane is running from ~/apps.")));

    // Refused before: "Try Again Anyway" clears the receipt and offers at once; "Later" stops.
    alerts.clear();
    Updater::writeReceipt("blocked", "2.0", "Operation not permitted");
    answers = {1, 1};
    EXPECT_EQ(runCheck(false), Outcome::Declined);
    EXPECT_EQ(titles(), (QStringList{"Quorvane could not replace itself", "Quorvane 2.0 is available"}));
    EXPECT_TRUE(alerts[0].text.endsWith(QStringLiteral(".\n\nmacOS said: Operation not permitted")));
    EXPECT_FALSE(Updater::lastAttempt());

    // A receipt for an older version is cleared and skips straight to the offer; so does "ok".
    alerts.clear();
    Updater::writeReceipt("blocked", "0.5", "");
    answers = {1};
    EXPECT_EQ(runCheck(true), Outcome::Declined);
    EXPECT_EQ(titles(), QStringList{"Quorvane 2.0 is available"});
    EXPECT_FALSE(Updater::lastAttempt());

    // An address that does not parse ends the install without a word.
    alerts.clear();
    publishManifest("2.0", "not an address", keys.sign(archiveBytes).toBase64());
    EXPECT_EQ(runCheck(true), Outcome::BadUrl);
    EXPECT_EQ(titles(), QStringList{"Quorvane 2.0 is available"});
    expectUntouched();
}

TEST_F(UpdateFlowTest, OnlyOneCheckRunsAtATimeAndTheUsersSecondCheckIsAnswered) {
    publish(release("2.0"));
    UpdateCheck::Settings current = settings();
    current.runningVersion = QStringLiteral("2.0");
    // The launch's silent check is still waiting for the server when the user asks.
    UpdateCheck check(current, network);
    QFuture<Outcome> launch = check.check(false);
    EXPECT_EQ(awaitResult(check.check(true)), Outcome::AlreadyRunning);
    ASSERT_EQ(titles(), QStringList{"Already checking for updates"});
    EXPECT_EQ(alerts[0].text,
              QStringLiteral("Quorvane is checking for updates right now and will tell you what it finds."));
    // The check under way now answers the user, who asked.
    EXPECT_EQ(awaitResult(launch, 20000), Outcome::UpToDate);
    EXPECT_EQ(titles(), (QStringList{"Already checking for updates", "You're up to date"}));
    EXPECT_EQ(server.requests("/version.json"), 1);

    // A second silent check says nothing.
    alerts.clear();
    QFuture<Outcome> again = check.check(false);
    EXPECT_EQ(awaitResult(check.check(false)), Outcome::AlreadyRunning);
    EXPECT_EQ(awaitResult(again, 20000), Outcome::UpToDate);
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(UpdateFlowTest, AChecksSweepRemovesOnlyWorkFoldersAnUpdateMade) {
    const QString ours = root.file("apps/qv-update-6F1C43A2-0B5E-4F7D-9C1A-3E2B8D7F4A10");
    writeFile(ours + "/.quorvane-update-work", "");
    writeFile(ours + "/unpacked/Quorvane/bin/quorvane", "");
    // Folders of the user's with names like ours: no marker, or not a work name at all.
    writeFile(root.file("apps/qv-update-5A0B32F1-9D4C-4E6B-8B09-2D1A7C6E3F02/mine.txt"), "kept");
    writeFile(root.file("apps/qv-update-notes/.quorvane-update-work"), "kept");
    UpdateCheck::Settings current = settings();
    current.runningVersion = QStringLiteral("2.0");
    publish(release("2.0"));
    EXPECT_EQ(runCheck(false, current), Outcome::UpToDate);
    EXPECT_FALSE(QFileInfo::exists(ours));
    EXPECT_EQ(readAll(root.file("apps/qv-update-5A0B32F1-9D4C-4E6B-8B09-2D1A7C6E3F02/mine.txt")), QByteArray("kept"));
    EXPECT_TRUE(QFileInfo::exists(root.file("apps/qv-update-notes/.quorvane-update-work")));
}

TEST_F(UpdateFlowTest, AServerThatTricklesItsAnswerCannotHoldTheCheck) {
    publish(release("2.0"));
    UpdateCheck::Settings s = settings();
    s.manifestDeadline = std::chrono::milliseconds(1500);
    s.downloadDeadline = std::chrono::milliseconds(1500);
    // A byte every 100 ms never looks stalled, yet the whole answer would take minutes.
    const QByteArray manifest = "{\"version\":\"2.0\",\"url\":\"" + server.url("/Quorvane.zip").toString().toUtf8()
                                + "\",\"signature\":\"" + keys.sign(archiveBytes).toBase64() + "\"}"
                                + QByteArray(4000, ' ');
    server.route("/version.json", {200, manifest, {}, -1, 100});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(runCheck(true, s), Outcome::NoManifest);
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_EQ(titles(), QStringList{"Couldn't check for updates"});

    // The archive's download has its own deadline for the whole of it.
    alerts.clear();
    server.route("/version.json", {200, manifest.trimmed(), {}, -1});
    server.route("/Quorvane.zip", {200, archiveBytes, {}, -1, 100});
    clock.restart();
    EXPECT_EQ(runCheck(true, s), Outcome::Failed);
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_EQ(titles(), (QStringList{"Quorvane 2.0 is available", "Update failed"}));
    expectUntouched();
}

// Runs one of the release scripts; its standard output, or none when it failed.
std::optional<QByteArray> runReleaseScript(const QString& name, const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUORVANE_TEST_SOURCE "/../scripts/") + name, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

TEST_F(UpdateFlowTest, AReleaseSignedWithTheScriptsInstallsWithTheKeyTheBuildTakes) {
    QDir().mkpath(root.file("keys"));
    const QString key = root.file("keys/release.key");
    const std::optional<QByteArray> printed = runReleaseScript("make-release-key.sh", {key});
    ASSERT_TRUE(printed);
    EXPECT_EQ(readAll(key + ".pub"), *printed);
    EXPECT_EQ(
        QFileInfo(key).permissions()
            & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser),
        QFileDevice::Permissions());
    // The printed line, as given to QUORVANE_UPDATE_PUBLIC_KEY, is the build's key.
    const QByteArray buildKey = BuildValues::releaseKeyFrom(*printed);
    ASSERT_EQ(buildKey.size(), ReleaseArchive::kPublicKeyBytes) << printed->toStdString();
    // A key is never made over an existing one.
    EXPECT_FALSE(runReleaseScript("make-release-key.sh", {key}));
    EXPECT_EQ(readAll(key + ".pub"), *printed);

    // The release packed as the README says: the one folder "Quorvane" in a tar archive.
    makeInstallFolder(root.file("release/Quorvane"), "2.0", "relaunched");
    writeFile(root.file("release/Quorvane/share/quorvane/new.txt"), "new");
    const QString archive = root.file("Quorvane-2.0.tar.gz");
    QProcess tar;
    tar.start(QStringLiteral("tar"), {"-C", root.file("release"), "-czf", archive, "Quorvane"});
    ASSERT_TRUE(tar.waitForFinished(30000) && tar.exitCode() == 0);
    archiveBytes = readAll(archive);
    serveArchive(archiveBytes);
    UpdateCheck::Settings s = settings();
    s.releaseKey = buildKey;

    // Signed with another key the script made: refused.
    const QString otherKey = root.file("keys/other.key");
    ASSERT_TRUE(runReleaseScript("make-release-key.sh", {otherKey}));
    const std::optional<QByteArray> foreign = runReleaseScript("sign-release.sh", {archive, otherKey});
    ASSERT_TRUE(foreign);
    publishManifest("2.0", server.url("/Quorvane.zip").toString(), foreign->trimmed());
    EXPECT_EQ(runCheck(true, s), Outcome::Failed);
    expectUntouched();

    // Signed with the build's key: installed and started.
    const std::optional<QByteArray> signature = runReleaseScript("sign-release.sh", {archive, key});
    ASSERT_TRUE(signature);
    EXPECT_EQ(QByteArray::fromBase64(signature->trimmed()).size(), ReleaseArchive::kSignatureBytes);
    publishManifest("2.0", server.url("/Quorvane.zip").toString(), signature->trimmed());
    EXPECT_EQ(runCheck(true, s), Outcome::Relaunching);
    EXPECT_EQ(readAll(installFolder + "/quorvane-install.txt"), QByteArray("2.0\n"));
    EXPECT_EQ(readAll(installFolder + "/share/quorvane/new.txt"), QByteArray("new"));
    EXPECT_TRUE(waitForFile(installFolder + "/relaunched"));
}

TEST(UpdateManifestTest, DecodesOnlyCompleteManifests) {
    EXPECT_FALSE(UpdateManifest::fromJson(R"({"version":"1.2","url":"https://a/b"})")->notes);
    EXPECT_FALSE(UpdateManifest::fromJson(R"({"version":"1.2","url":"https://a/b","notes":null})")->notes);
    EXPECT_EQ(UpdateManifest::fromJson(R"({"version":"1.2","url":"u","notes":"n","z":[1]})")->notes,
              QStringLiteral("n"));
    EXPECT_FALSE(UpdateManifest::fromJson(R"({"version":"1.2"})"));
    EXPECT_FALSE(UpdateManifest::fromJson(R"({"version":1.2,"url":"u"})"));
    EXPECT_FALSE(UpdateManifest::fromJson(R"({"version":"1.2","url":"u","notes":5})"));
    EXPECT_FALSE(UpdateManifest::fromJson(R"({"version":"1.2 beta","url":"u"})"));
    EXPECT_FALSE(UpdateManifest::fromJson(R"([])"));
}

} // namespace
