// The tray icon under the harness's tray host, with the menu wired to the
// program's action table: the menu opens from a click on the icon, the program
// leaves the taskbar while only the icon shows, and the idle icon follows the
// desktop's scheme as the settings portal announces it.
#include "app/QuorvaneApp.h"
#include "looks/Appearance.h"
#include "looks/DockIcon.h"
#include "platform/Platform.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/PortalColorScheme.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"
#include "support/XClient.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 5000;

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

// The desktop's settings portal, as far as the colour scheme goes, on a bus
// connection of its own.
class FakePortal : public QDBusVirtualObject {
public:
    static constexpr uint kDark = 1;
    static constexpr uint kLight = 2;

    explicit FakePortal(uint scheme)
        : m_scheme(scheme), m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection)) {}
    ~FakePortal() override {
        m_bus.unregisterObject(kPath);
        m_bus.unregisterService(kService);
        QDBusConnection::disconnectFromBus(kConnection);
    }
    bool open() { return m_bus.registerService(kService) && m_bus.registerVirtualObject(kPath, this); }

    void switchTo(uint scheme) {
        m_scheme = scheme;
        QDBusMessage changed = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("SettingChanged"));
        changed << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
                << QVariant::fromValue(QDBusVariant(m_scheme));
        m_bus.send(changed);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != kInterface || message.member() != QLatin1String("Read"))
            return false;
        // Older portals wrap the value twice, as here.
        QDBusConnection(connection)
            .send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(m_scheme))))));
        return true;
    }

private:
    static inline const QString kConnection = QStringLiteral("quorvane-test-portal");
    static inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
    uint m_scheme;
    QDBusConnection m_bus;
};

// Replaces some platform services for the life of the object.
class ScopedServices {
public:
    explicit ScopedServices(const std::function<void(Platform&)>& change) {
        Platform services = Platform::current();
        change(services);
        m_previous = Platform::install(services);
    }
    ~ScopedServices() { Platform::install(m_previous); }

private:
    Platform m_previous;
};

// The mean lightness of the drawn (opaque) pixels of an icon.
int iconLightness(const QIcon& icon) {
    const QImage image = icon.pixmap(QSize(18, 18)).toImage();
    qint64 sum = 0, count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor pixel = image.pixelColor(x, y); pixel.alpha() > 200) {
                sum += pixel.lightness();
                ++count;
            }
    return count ? int(sum / count) : -1;
}

// The window Qt embeds in the tray host for the icon. (QSystemTrayIcon::geometry()
// does not know where the host put it.)
QWidget* embeddedIcon() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qstrcmp(window->metaObject()->className(), "QSystemTrayIconSys") == 0)
            return window;
    return nullptr;
}

bool showInTray(QuorvaneApp& scene) {
    scene.show();
    return QTest::qWaitFor([&] { return scene.tray()->isVisible() && !scene.tray()->geometry().isEmpty(); }, kWaitMs);
}

TEST(TrayDesktopTest, TheTrayIconShowsAndItsMenuStartsDictation) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWaitMs));
    AppActions actions;
    AppState state;
    actions.toggleDictation = [&] { state.setIsRecording(!state.isRecording()); };
    QuorvaneApp scene(actions, state);
    ASSERT_TRUE(showInTray(scene));
    EXPECT_FALSE(scene.tray()->icon().isNull());

    QAction* start = scene.menu()->actions().constFirst();
    EXPECT_EQ(start->text(), QStringLiteral("Start Dictation"));
    start->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.isRecording(); }, 2000));
    EXPECT_EQ(start->text(), QStringLiteral("Stop Dictation"));
}

TEST(TrayDesktopTest, ALeftClickOnTheIconOpensTheMenu) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    XClient x;
    ASSERT_TRUE(x.isOpen());
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWaitMs));
    AppActions actions;
    AppState state;
    QuorvaneApp scene(actions, state);
    ASSERT_TRUE(showInTray(scene));
    ASSERT_FALSE(scene.menu()->isVisible());

    QWidget* icon = embeddedIcon();
    ASSERT_NE(icon, nullptr);
    // The tray host embeds and maps the icon a moment after it shows; the user
    // clicks where it has settled.
    QPoint centre;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QPoint before = x.centreOnScreen(icon->winId());
            QTest::qWait(100);
            centre = x.centreOnScreen(icon->winId());
            return x.isViewable(icon->winId()) && !centre.isNull() && centre == before;
        },
        kWaitMs));
    x.leftClick(centre);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return scene.menu()->isVisible() && x.isViewable(scene.menu()->winId()); }, kWaitMs));
    scene.menu()->hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !x.isViewable(scene.menu()->winId()); }, kWaitMs));
}

TEST(TrayDesktopTest, WhileOnlyTheTrayIconShowsTheProgramsWindowsSkipTheTaskbar) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    XClient x;
    ASSERT_TRUE(x.isOpen());
    EwmhWorkspace workspace;
    ScopedServices services([&](Platform& platform) { platform.workspace = &workspace; });
    TempFolder folder;
    Defaults defaults(folder.path() + QStringLiteral("/defaults.json"));
    AppActions actions;
    AppState state;
    QuorvaneApp scene(actions, state);
    ASSERT_TRUE(showInTray(scene));
    DockIcon::start();

    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Accessory);
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.isViewable(window.winId()); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.skipsTaskbar(window.winId()); }, kWaitMs));

    DockIcon::refreshPolicy(defaults); // a main window is showing
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Regular);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !x.skipsTaskbar(window.winId()); }, kWaitMs));

    window.close(); // its native window goes with it
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Accessory);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.isViewable(window.winId()); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.skipsTaskbar(window.winId()); }, kWaitMs));
    DockIcon::stop();
}

TEST(TrayDesktopTest, TheIdleIconAndTheSystemLookFollowTheDesktopsSchemeAsItChanges) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    FakePortal portal(FakePortal::kLight);
    ASSERT_TRUE(portal.open());
    PortalColorScheme desktop;
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.prefersDark() == false; }, kWaitMs));
    ScopedServices services([&](Platform& platform) { platform.colorScheme = &desktop; });
    const QPalette original = QApplication::palette();
    TempFolder folder;
    Defaults defaults(folder.path() + QStringLiteral("/defaults.json"));
    defaults.set(QStringLiteral("appearance"), QStringLiteral("dark"));
    applyStoredAppearance(defaults, &desktop);

    AppActions actions;
    AppState state;
    QuorvaneApp scene(actions, state);
    ASSERT_TRUE(showInTray(scene));
    // The program looks dark, the panel is light: the icon is drawn for the panel.
    EXPECT_LT(iconLightness(scene.tray()->icon()), 64);

    defaults.set(QStringLiteral("appearance"), QStringLiteral("system"));
    applyStoredAppearance(defaults, &desktop);
    EXPECT_FALSE(Appearance::isDark());
    portal.switchTo(FakePortal::kDark);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.prefersDark() == true; }, kWaitMs));
    EXPECT_GT(iconLightness(scene.tray()->icon()), 192);
    EXPECT_TRUE(Appearance::isDark());
    QApplication::setPalette(original);
}

} // namespace
