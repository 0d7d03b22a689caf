#include "install/Uninstaller.h"

#include "state/AppActions.h"
#include "support/Artifacts.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPromise>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class UninstallerTest : public ::testing::Test {
protected:
    Uninstaller::Folders folders() const {
        return {home.path(), home.file("data"), home.file("cache"), home.file("config"), home.file("state")};
    }

    Uninstaller make(std::optional<QString> installFolder = std::nullopt) {
        return make(folders(), std::move(installFolder));
    }

    Uninstaller make(Uninstaller::Folders where, std::optional<QString> installFolder = std::nullopt) {
        return Uninstaller(std::move(where), Uninstaller::Services{
                                                 [this](const Alert& alert, std::function<void(int)> answered) {
                                                     alerts.append(alert);
                                                     answered(answer);
                                                 },
                                                 std::move(installFolder),
                                                 [this] {
                                                     ++stops;
                                                     return serversEnded;
                                                 },
                                                 [this] { ++quits; },
                                                 [this](std::chrono::milliseconds delay, std::function<void()> work) {
                                                     scheduled.append({delay, std::move(work)});
                                                 },
                                             });
    }

    void fill() {
        home.write("data/Quorvane/last-update.txt", "ok\n1\n");
        home.write("data/Quorvane/models/parakeet-tdt-0.6b-v3-bf16/model.npz", QByteArray(1000, 'm'));
        home.write("data/Quorvane Native/history.json", QByteArray(300, 'h'));
        home.write("data/Quorvane Native/.hidden", QByteArray(5000, 'x')); // not counted
        home.write("data/Brindlewick/old.json", "{}");
        home.write("data/Other/keep", "keep");
        home.write("config/Quorvane/defaults.json", "{}");
        home.write("state/Quorvane-dock.log", "log");
        home.write("state/other.log", "keep");
    }

    TempFolder home;
    ScopedFakePlatform platform;
    QList<Alert> alerts;
    QList<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;
    int answer = 1;
    int stops = 0;
    QFuture<void> serversEnded = QtFuture::makeReadyFuture();
    int quits = 0;
};

TEST_F(UninstallerTest, ListsEveryFolderOfOursAndCountsWhatTheyHold) {
    fill();
    Uninstaller uninstaller = make();
    const QStringList rows = uninstaller.locations();
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows.mid(0, 3), (QStringList{home.file("data/Quorvane"), home.file("data/Quorvane Native"),
                                           home.file("data/Brindlewick")}));
    EXPECT_TRUE(rows.contains(home.file("config/Quorvane")));
    EXPECT_EQ(rows.last(), home.file("state/Quorvane-dock.log"));
    EXPECT_EQ(uninstaller.totalSize(), 5 + 1000 + 300 + 2 + 2 + 3);
}

TEST_F(UninstallerTest, TheSharedModelCacheOfOtherToolsIsLeftWhole) {
    // The standard folders of a user whose own tools keep models in the hub
    // cache, under the names the speech and cleanup models would have there.
    const QString cacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString hub = cacheHome + QStringLiteral("/huggingface/hub/");
    const QStringList theirs = {"models--mlx-community--Kokoro-82M-bf16/blobs/a",
                                "models--mlx-community--parakeet-tdt-0.6b-v3/blobs/b",
                                "models--mlx-community--Qwen3-4B-Instruct-2507-4bit/blobs/c",
                                ".locks/models--mlx-community--Kokoro-82M-bf16/a.lock"};
    for (const QString& file : theirs) {
        QDir().mkpath(QFileInfo(hub + file).path());
        QFile out(hub + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(4000, 'w'));
    }
    const Uninstaller::Folders standard = Uninstaller::standardFolders();
    QDir().mkpath(standard.applicationSupport + QStringLiteral("/Quorvane Native"));

    Uninstaller uninstaller = make(standard);
    EXPECT_EQ(uninstaller.totalSize(), 0);
    ASSERT_TRUE(awaitFuture(uninstaller.removeEverything()));

    for (const QString& file : theirs)
        EXPECT_TRUE(QFileInfo::exists(hub + file)) << file.toStdString();
    EXPECT_FALSE(QFileInfo::exists(standard.applicationSupport + QStringLiteral("/Quorvane Native")));
}

TEST_F(UninstallerTest, CancelTakesReturnAndTouchesNothing) {
    fill();
    Uninstaller uninstaller = make(home.file("apps/Quorvane"));
    std::optional<bool> removed;
    uninstaller.confirmAndRemove([&](bool r) { removed = r; });
    // The question waits for the count, which is made off the GUI thread.
    EXPECT_TRUE(alerts.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.isEmpty(); }, 10000)) << "the question never came";
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].text.contains(QStringLiteral("frees about 0.1 MB."))) << alerts[0].text.toStdString();
    EXPECT_EQ(alerts[0].returnButton, 1);
    EXPECT_TRUE(
        alerts[0].text.endsWith(QStringLiteral("\n\nQuorvane itself moves to the Trash. This cannot be undone.")));
    EXPECT_EQ(removed, false);
    EXPECT_TRUE(scheduled.isEmpty());
    EXPECT_EQ(stops, 0);
    EXPECT_TRUE(QFileInfo::exists(home.file("data/Quorvane Native/history.json")));
}

TEST_F(UninstallerTest, RemovesOursOnceTheServersHaveEndedTrashesTheInstallFolderAndQuitsOnce) {
    fill();
    home.write("apps/Quorvane/quorvane-install.txt", "1.0\n");
    platform.fileManager.trashFolder = home.file("trash");
    QPromise<void> servers;
    servers.start();
    serversEnded = servers.future();
    Uninstaller uninstaller = make(home.file("apps/Quorvane"));
    answer = 0;
    uninstaller.confirmAndRemove();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stops == 1; }, 10000)) << "the removal never started";
    // The servers' end is waited for with the event loop turning, and nothing
    // goes while a server may still write; a window says what is happening.
    QTest::qWait(100);
    EXPECT_TRUE(QFileInfo::exists(home.file("data/Quorvane Native/history.json")));
    EXPECT_TRUE(scheduled.isEmpty());
    QWidget* progress = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("removalProgress") && window->isVisible())
            progress = window;
    ASSERT_TRUE(progress) << "no window shows the removal";
    EXPECT_EQ(progress->findChild<QLabel*>()->text(), QStringLiteral("Stopping the speech engine and the phone link…"));
    Artifacts::save(progress->grab().toImage(), QStringLiteral("removal-progress-stopping.png"));
    servers.finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scheduled.size() == 2; }, 10000)) << "the removal never finished";
    const QProgressBar* bar = progress->findChild<QProgressBar*>();
    EXPECT_TRUE(progress->isVisible());
    EXPECT_TRUE(progress->findChild<QLabel*>()->text().startsWith(QStringLiteral("Deleting")));
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "all that was counted is gone";
    Artifacts::save(progress->grab().toImage(), QStringLiteral("removal-progress-done.png"));
    for (const char* gone : {"data/Quorvane", "data/Quorvane Native", "data/Brindlewick", "config/Quorvane",
                             "state/Quorvane-dock.log", "apps/Quorvane"})
        EXPECT_FALSE(QFileInfo::exists(home.file(QString::fromUtf8(gone)))) << gone;
    for (const char* kept : {"data/Other/keep", "state/other.log"})
        EXPECT_TRUE(QFileInfo::exists(home.file(QString::fromUtf8(kept)))) << kept;
    EXPECT_EQ(platform.fileManager.trashed, QStringList{home.file("apps/Quorvane")});
    ASSERT_EQ(scheduled.size(), 2);
    EXPECT_EQ(scheduled[0].first, Uninstaller::kQuitFallback);
    for (const auto& [delay, work] : scheduled)
        work();
    EXPECT_EQ(quits, 1);
}

TEST_F(UninstallerTest, AManagedCopyIsNeverTrashedButTheProgramStillQuits) {
    home.write("usr/bin/quorvane", "");
    for (const std::optional<QString>& copy : {std::optional<QString>(), std::optional(home.file("usr"))}) {
        scheduled.clear();
        Uninstaller uninstaller = make(copy);
        ASSERT_TRUE(awaitFuture(uninstaller.removeEverything()));
        EXPECT_TRUE(platform.fileManager.trashed.isEmpty());
        EXPECT_EQ(scheduled.size(), 2);
    }
    EXPECT_TRUE(QFileInfo::exists(home.file("usr/bin/quorvane")));
}

TEST(UninstallerStandardServicesTest, TheStopEndsThePhoneLinkAndEveryLaterSettingsWrite) {
    AppActions& actions = AppActions::shared();
    const std::function<void()> realStop = actions.stopPhoneLink;
    int phoneLinkStops = 0;
    actions.stopPhoneLink = [&phoneLinkStops] { ++phoneLinkStops; };
    Defaults& defaults = Defaults::shared();
    defaults.set(QStringLiteral("userName"), QStringLiteral("Ada"));
    const QString folder = QFileInfo(defaults.filePath()).path();
    ASSERT_TRUE(QFileInfo::exists(defaults.filePath()));

    ASSERT_TRUE(awaitFuture(Uninstaller::standardServices().stopEverything()));
    actions.stopPhoneLink = realStop;
    EXPECT_EQ(phoneLinkStops, 1);
    EXPECT_FALSE(defaults.contains(QStringLiteral("userName")));
    // The folder goes; what the program writes on its way out (a window's frame) stays in memory.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    defaults.set(QStringLiteral("windowFrame Main"), QStringLiteral("AdnQ0AADAAA="));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
