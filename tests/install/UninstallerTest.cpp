#include "install/Uninstaller.h"

#include "state/AppActions.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class UninstallerTest : public ::testing::Test {
protected:
    Uninstaller::Folders folders() const {
        return {home.path(),         home.file("elsewhere/hub"),  "org/cleanup-model",
                home.file("data"),   home.file("cache"),          home.file("config"),
                home.file("state")};
    }

    Uninstaller make(std::optional<QString> installFolder = std::nullopt) {
        return Uninstaller(folders(), Uninstaller::Services{
                                          [this](const Alert& alert, std::function<void(int)> answered) {
                                              alerts.append(alert);
                                              answered(answer);
                                          },
                                          std::move(installFolder),
                                          [this] { ++stops; },
                                          [this] { ++quits; },
                                          [this](std::chrono::milliseconds delay, std::function<void()> work) {
                                              scheduled.append({delay, std::move(work)});
                                          },
                                      });
    }

    void fill() {
        home.write("elsewhere/hub/models--org--cleanup-model/blobs/a", QByteArray(1000, 'a'));
        home.write("elsewhere/hub/.locks/models--org--cleanup-model/x.lock", "");
        home.write("elsewhere/hub/models--mlx-community--Kokoro-82M-bf16/b", QByteArray(2000, 'b'));
        home.write("elsewhere/hub/models--someone--else/keep", "keep");
        home.write("data/Quorvane/last-update.txt", "ok\n1\n");
        home.write("data/Quorvane Native/history.json", QByteArray(300, 'h'));
        home.write("data/Quorvane Native/.hidden", QByteArray(5000, 'x'));  // not counted
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
    int quits = 0;
};

TEST_F(UninstallerTest, ListsTheModelsInTheRelocatedHubCacheAndEveryFolderOfOurs) {
    fill();
    Uninstaller uninstaller = make();
    const QStringList rows = uninstaller.locations();
    ASSERT_GE(rows.size(), 12);
    EXPECT_EQ(rows[0], home.file("elsewhere/hub/models--org--cleanup-model"));
    EXPECT_EQ(rows[1], home.file("elsewhere/hub/.locks/models--org--cleanup-model"));
    EXPECT_EQ(rows[2], home.file("elsewhere/hub/models--mlx-community--Kokoro-82M-bf16"));
    EXPECT_EQ(rows[5], home.file("elsewhere/hub/.locks/models--mlx-community--parakeet-tdt-0.6b-v3"));
    EXPECT_EQ(rows.mid(6, 3), (QStringList{home.file("data/Quorvane"), home.file("data/Quorvane Native"),
                                           home.file("data/Brindlewick")}));
    EXPECT_TRUE(rows.contains(home.file("config/Quorvane")));
    EXPECT_EQ(rows.last(), home.file("state/Quorvane-dock.log"));
    EXPECT_EQ(uninstaller.totalSize(), 1000 + 2000 + 5 + 300 + 2 + 2 + 3);
}

TEST_F(UninstallerTest, CancelTakesReturnAndTouchesNothing) {
    fill();
    Uninstaller uninstaller = make(home.file("apps/Quorvane"));
    std::optional<bool> removed;
    uninstaller.confirmAndRemove([&](bool r) { removed = r; });
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].returnButton, 1);
    EXPECT_TRUE(alerts[0].text.endsWith(QStringLiteral("\n\nQuorvane itself moves to the Trash. This cannot be undone.")));
    EXPECT_EQ(removed, false);
    EXPECT_TRUE(scheduled.isEmpty());
    EXPECT_EQ(stops, 0);
    EXPECT_TRUE(QFileInfo::exists(home.file("data/Quorvane Native/history.json")));
}

TEST_F(UninstallerTest, RemovesOursTrashesTheInstallFolderAndQuitsOnce) {
    fill();
    home.write("apps/Quorvane/quorvane-install.txt", "1.0\n");
    platform.fileManager.trashFolder = home.file("trash");
    Uninstaller uninstaller = make(home.file("apps/Quorvane"));
    answer = 0;
    uninstaller.confirmAndRemove();
    EXPECT_EQ(stops, 1);
    for (const char* gone : {"elsewhere/hub/models--org--cleanup-model", "elsewhere/hub/.locks/models--org--cleanup-model",
                                "data/Quorvane", "data/Quorvane Native", "data/Brindlewick", "config/Quorvane",
                                "state/Quorvane-dock.log", "apps/Quorvane"})
        EXPECT_FALSE(QFileInfo::exists(home.file(QString::fromUtf8(gone)))) << gone;
    for (const char* kept : {"elsewhere/hub/models--someone--else/keep", "data/Other/keep", "state/other.log"})
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
        uninstaller.removeEverything();
        EXPECT_TRUE(platform.fileManager.trashed.isEmpty());
        EXPECT_EQ(scheduled.size(), 2);
    }
    EXPECT_TRUE(QFileInfo::exists(home.file("usr/bin/quorvane")));

    // An empty cache root names no model rows at all.
    Uninstaller::Folders odd = folders();
    odd.hubCache.clear();
    EXPECT_TRUE(Uninstaller(odd, {}).downloadedModels(odd.hubCache).isEmpty());
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

    Uninstaller::standardServices().stopEverything();
    actions.stopPhoneLink = realStop;
    EXPECT_EQ(phoneLinkStops, 1);
    EXPECT_FALSE(defaults.contains(QStringLiteral("userName")));
    // The folder goes; what the program writes on its way out (a window's frame) stays in memory.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    defaults.set(QStringLiteral("windowFrame Main"), QStringLiteral("AdnQ0AADAAA="));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
