// The desktop's motion setting from each of its places, in their order, and
// followed while the program runs; and the compositor query beside it.
#include "XSelectionOwner.h"
#include "platform/linux/EwmhWindowSystem.h"
#include "platform/linux/GnomeAnimationSetting.h"
#include "platform/linux/KdeAnimationSetting.h"
#include "platform/linux/LinuxMotionSetting.h"
#include "platform/linux/XSettingsAnimationSetting.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#undef signals
#include <gio/gio.h>
#define signals Q_SIGNALS

namespace {

constexpr int kWait = 5000;

// A source whose answer the test sets.
class StandIn : public AnimationSource {
public:
    std::optional<bool> animationsEnabled() const override { return enabled; }
    void set(std::optional<bool> value) {
        enabled = value;
        emit changed();
    }
    std::optional<bool> enabled;
};

TEST(LinuxMotionSettingTest, TheFirstPlaceThatHoldsASettingDecidesAndWithNoneMotionIsOn) {
    auto gnome = std::make_unique<StandIn>();
    auto kde = std::make_unique<StandIn>();
    auto xsettings = std::make_unique<StandIn>();
    StandIn* first = gnome.get();
    StandIn* second = kde.get();
    StandIn* third = xsettings.get();
    std::vector<std::unique_ptr<AnimationSource>> sources;
    sources.push_back(std::move(gnome));
    sources.push_back(std::move(kde));
    sources.push_back(std::move(xsettings));
    LinuxMotionSetting setting(std::move(sources));
    QSignalSpy changes(&setting, &MotionSetting::changed);
    EXPECT_FALSE(setting.reducesMotion());

    third->set(false);
    EXPECT_TRUE(setting.reducesMotion());
    second->set(true); // KDE before XSETTINGS
    EXPECT_FALSE(setting.reducesMotion());
    first->set(false); // GNOME before KDE
    EXPECT_TRUE(setting.reducesMotion());
    second->set(false); // no change of the answer: no signal
    EXPECT_EQ(changes.count(), 3);
    first->set(std::nullopt);
    second->set(std::nullopt);
    third->set(std::nullopt);
    EXPECT_FALSE(setting.reducesMotion());
}

// GNOME's setting in a dconf of the test's own: a session bus started here
// activates the dconf service with this test's folders.
class GnomeAnimationTest : public testing::Test {
protected:
    void SetUp() override {
        environment.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        environment.set("GSETTINGS_BACKEND", "dconf");
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(bus.waitForStarted(kWait) && bus.waitForReadyRead(kWait));
        environment.set("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    }
    void TearDown() override {
        // GLib's shared session connection ends the process when its bus goes
        // away; this bus goes before the test program does.
        if (GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
            g_dbus_connection_set_exit_on_close(connection, FALSE);
            g_object_unref(connection);
        }
        bus.terminate();
        bus.waitForFinished(kWait);
    }

    // Sets or resets the key as the desktop's settings would.
    static void gsettings(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral("gsettings"), arguments);
        ASSERT_TRUE(tool.waitForFinished(kWait)) << tool.errorString().toStdString();
        ASSERT_EQ(tool.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }
    static void set(const char* value) {
        gsettings({QStringLiteral("set"), QStringLiteral("org.gnome.desktop.interface"),
                   QStringLiteral("enable-animations"), QLatin1String(value)});
    }

    QTemporaryDir runtime;
    ScopedEnvironment environment;
    QProcess bus;
};

TEST_F(GnomeAnimationTest, EnableAnimationsCountsOnceSetAndIsFollowedWhileRunning) {
    GnomeAnimationSetting setting;
    QSignalSpy changes(&setting, &AnimationSource::changed);
    // Only the schema's default: GNOME says nothing here.
    EXPECT_EQ(setting.animationsEnabled(), std::nullopt);

    set("false");
    ASSERT_TRUE(QTest::qWaitFor([&] { return setting.animationsEnabled() == false; }, kWait));
    // By now the watch on dconf stands (it is set up asynchronously): each
    // later change is reported.
    changes.clear();
    set("true");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }, kWait));
    EXPECT_EQ(setting.animationsEnabled(), true);
    changes.clear();
    gsettings(
        {QStringLiteral("reset"), QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }, kWait));
    EXPECT_EQ(setting.animationsEnabled(), std::nullopt);
}

TEST(KdeAnimationTest, AFactorOfNoughtTurnsAnimationsOffAndTheUsersFileWins) {
    TempFolder user;
    TempFolder system;
    system.write(QStringLiteral("kdeglobals"), "[KDE]\nAnimationDurationFactor=0\n");
    KdeAnimationSetting setting({user.path(), system.path()});
    QSignalSpy changes(&setting, &AnimationSource::changed);
    EXPECT_EQ(setting.animationsEnabled(), false);

    // The user's own file, written the way KDE saves: a new file renamed over.
    user.write(QStringLiteral("kdeglobals.new"),
               "[General]\nAnimationDurationFactor=0\n[KDE]\nAnimationDurationFactor=0.5\n");
    ASSERT_TRUE(QFile::rename(user.file(QStringLiteral("kdeglobals.new")), user.file(QStringLiteral("kdeglobals"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return setting.animationsEnabled() == true; }, kWait));
    user.write(QStringLiteral("kdeglobals.new"), "[KDE]\nAnimationDurationFactor[$i]=0\n");
    QFile::remove(user.file(QStringLiteral("kdeglobals")));
    ASSERT_TRUE(QFile::rename(user.file(QStringLiteral("kdeglobals.new")), user.file(QStringLiteral("kdeglobals"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return setting.animationsEnabled() == false; }, kWait));
    EXPECT_EQ(changes.count(), 2);

    EXPECT_EQ(KdeAnimationSetting::durationFactor("[KDE]\nSingleClick=false\n"), std::nullopt);
    EXPECT_EQ(KdeAnimationSetting::durationFactor("[KDE]\nAnimationDurationFactor=fast\n"), std::nullopt);
    EXPECT_EQ(KdeAnimationSetting::durationFactor("[KDE]\nAnimationDurationFactor=-1\n"), std::nullopt);
    EXPECT_EQ(KdeAnimationSetting::durationFactor("[KDE]\n AnimationDurationFactor = 2 \n"), 2.0);
}

TEST(XSettingsAnimationTest, TheManagersSettingIsReadInEitherByteOrderAndMalformedBytesGiveNothing) {
    for (const bool msbFirst : {false, true}) {
        EXPECT_EQ(XSettingsAnimationSetting::enableAnimations(XSelectionOwner::settings(0, msbFirst, 7)), false);
        EXPECT_EQ(XSettingsAnimationSetting::enableAnimations(XSelectionOwner::settings(1, msbFirst, 7)), true);
        EXPECT_EQ(XSettingsAnimationSetting::enableAnimations(XSelectionOwner::settings(std::nullopt, msbFirst, 7)),
                  std::nullopt);
    }
    const QByteArray whole = XSelectionOwner::settings(0, false, 7);
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
        EXPECT_EQ(XSettingsAnimationSetting::enableAnimations(whole.left(cut)), std::nullopt) << cut;
}

TEST(XSettingsAnimationTest, AManagerStartingChangingAndLeavingIsFollowed) {
    XSettingsAnimationSetting setting;
    EXPECT_EQ(setting.animationsEnabled(), std::nullopt) << "no settings daemon runs in the harness";
    {
        XSelectionOwner manager("_XSETTINGS_S0");
        ASSERT_TRUE(manager.isOpen());
        manager.publishSettings(0);
        manager.take();
        ASSERT_TRUE(QTest::qWaitFor([&] { return setting.animationsEnabled() == false; }, kWait));
        manager.publishSettings(1, true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return setting.animationsEnabled() == true; }, kWait));
        manager.publishSettings(std::nullopt);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !setting.animationsEnabled().has_value(); }, kWait));
        manager.publishSettings(0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return setting.animationsEnabled() == false; }, kWait));
    }
    // The daemon quit: its setting went with it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !setting.animationsEnabled().has_value(); }, kWait));
}

TEST(CompositorTest, ACompositorIsSeenByItsSelection) {
    EwmhWindowSystem windows;
    EXPECT_FALSE(windows.hasCompositor()) << "the harness runs no compositor";
    {
        XSelectionOwner compositor("_NET_WM_CM_S0");
        ASSERT_TRUE(compositor.isOpen());
        compositor.take();
        EXPECT_TRUE(QTest::qWaitFor([&] { return windows.hasCompositor(); }, kWait));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !windows.hasCompositor(); }, kWait));
}

} // namespace
