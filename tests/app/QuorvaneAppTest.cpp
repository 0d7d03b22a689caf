#include "app/QuorvaneApp.h"
#include "looks/DockIcon.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(QuorvaneAppTest, RowsFollowTheProgramsState) {
    AppActions actions;
    AppState state;
    QuorvaneApp scene(actions, state);
    const QList<QAction*> items = scene.menu()->actions();
    EXPECT_FALSE(items[6]->isEnabled()); // the engine line is text
    EXPECT_FALSE(items[0]->isEnabled()); // no dictation in this table

    state.setIsRecording(true);
    state.setServerReady(true);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Stop Dictation"));
    EXPECT_EQ(items[6]->text(), QStringLiteral("Engine: warm"));
}

TEST(QuorvaneAppTest, SectionsOfOtherSubsystemsTakeRowsSixAndSeven) {
    AppActions actions;
    bool translation = false;
    actions.translationAvailable = [&] { return translation; };
    actions.addModeSection = [](QMenu* menu) { menu->addAction(QStringLiteral("Modes")); };
    actions.addTranslationSection = [](QMenu* menu) { menu->addAction(QStringLiteral("Translation")); };
    AppState state;
    EXPECT_EQ(QuorvaneApp(actions, state).rowTexts().mid(4, 3), (QStringList{"-", "Modes", "-"}));
    translation = true;
    EXPECT_EQ(QuorvaneApp(actions, state).rowTexts().size(), 18);
    EXPECT_EQ(QuorvaneApp(actions, state).rowTexts().mid(4, 4), (QStringList{"-", "Modes", "Translation", "-"}));
}

TEST(QuorvaneAppTest, TheTranslationRowsFollowTheTranslatorEachTimeTheMenuOpens) {
    AppActions actions;
    bool translation = false;
    actions.translationAvailable = [&] { return translation; };
    actions.addTranslationSection = [](QMenu* menu) { menu->addAction(QStringLiteral("Translation")); };
    AppState state;
    QuorvaneApp scene(actions, state);
    EXPECT_FALSE(scene.rowTexts().contains(QStringLiteral("Translation")));
    translation = true; // a language pair installed while the program runs
    emit scene.menu()->aboutToShow();
    EXPECT_TRUE(scene.rowTexts().contains(QStringLiteral("Translation")));
    translation = false; // and removed again
    emit scene.menu()->aboutToShow();
    EXPECT_FALSE(scene.rowTexts().contains(QStringLiteral("Translation")));
}

TEST(QuorvaneAppTest, RowsRunTheirActionsAndQuitAsksToQuit) {
    AppActions actions;
    int toggles = 0, stops = 0;
    actions.toggleDictation = [&] { ++toggles; };
    actions.stopReading = [&] { ++stops; };
    AppState state;
    QuorvaneApp scene(actions, state);
    QSignalSpy quit(&scene, &QuorvaneApp::quitRequested);
    const QList<QAction*> items = scene.menu()->actions();
    items[0]->trigger();
    EXPECT_EQ(toggles, 0); // a task: after the menu returns
    QTest::qWait(5);
    EXPECT_EQ(toggles, 1);
    items[3]->trigger();
    EXPECT_EQ(stops, 1); // at once
    items.last()->trigger();
    EXPECT_EQ(quit.size(), 1);
}

TEST(QuorvaneAppTest, WithoutATrayHostTheUserIsToldOnceAndTheWindowOpensAtTheGeneralPage) {
    AppActions actions;
    int windows = 0;
    actions.showMainWindow = [&] { ++windows; };
    AppState state;
    bool hosted = false;
    QList<Alert> alerts;
    QuorvaneApp::TrayHost host;
    host.present = [&] { return hosted; };
    host.wait = std::chrono::milliseconds(10);
    host.tell = [&](const Alert& alert, std::function<void(int)> answered) {
        alerts.append(alert);
        answered(0);
    };
    QuorvaneApp scene(actions, state, host);
    scene.show();
    EXPECT_TRUE(alerts.isEmpty()) << "a panel starting with the session is given its time";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.isEmpty(); }, 2000));
    EXPECT_EQ(alerts[0].title, QStringLiteral("Quorvane has no icon on this desktop"));
    EXPECT_TRUE(alerts[0].text.contains(QStringLiteral("Quit, Microphone Test and Check for Updates")));
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(state.requestedPane(), MainWindowPane::General);
    // Shown again (the tray icon re-shown), it says nothing more.
    scene.show();
    QTest::qWait(50);
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(windows, 1);

    // With a tray host nothing is said and no window opens.
    hosted = true;
    QuorvaneApp hostedScene(actions, state, host);
    hostedScene.show();
    QTest::qWait(50);
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(windows, 1);
}

TEST(DockIconTest, PolicyFollowsTheSettingAndRealWindowsAndLogsChanges) {
    TempFolder folder;
    Defaults defaults(folder.path() + QStringLiteral("/defaults.json"));
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Accessory);
    QWidget window;
    window.show();
    EXPECT_TRUE(DockIcon::hasRealWindow());
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Regular);
    window.hide();
    defaults.set(QStringLiteral("showInDock"), true);
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Regular);

    DockIcon::start();
    DockIcon::start();
    EXPECT_EQ(DockIcon::observerCount(), 2);
    DockIcon::stop();
    EXPECT_EQ(DockIcon::observerCount(), 0);

    QFile log(DockIcon::logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("policy -> accessory")));
    EXPECT_TRUE(text.contains(QStringLiteral("policy -> regular")));
    EXPECT_TRUE(text.contains(QStringLiteral("policy -> light policy=0"))
                || text.contains(QStringLiteral("policy -> dark policy=0")));
}

TEST(DockIconTest, AnAccessorysWindowsSkipTheTaskbarAndARegularProgramsMainWindowShowsThere) {
    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults(folder.path() + QStringLiteral("/defaults.json"));
    DockIcon::start();
    // The tray icon's own window, as Qt makes it where a tray host embeds it.
    QWidget trayIcon(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    trayIcon.show();
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Accessory);

    QWidget window;
    window.show(); // under the accessory policy it shows without a taskbar entry
    ASSERT_TRUE(platform.workspace.inTaskbar.contains(window.windowHandle()));
    EXPECT_FALSE(platform.workspace.inTaskbar.value(window.windowHandle()));
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Regular);
    EXPECT_TRUE(platform.workspace.inTaskbar.value(window.windowHandle()));

    QWidget panel(nullptr, Qt::Tool);
    panel.show(); // panels never show there
    EXPECT_FALSE(platform.workspace.inTaskbar.value(panel.windowHandle(), true));
    EXPECT_FALSE(platform.workspace.inTaskbar.contains(trayIcon.windowHandle()));

    window.close();
    DockIcon::refreshPolicy(defaults);
    EXPECT_EQ(DockIcon::policy(), DockIcon::Policy::Accessory);
    EXPECT_FALSE(platform.workspace.inTaskbar.value(window.windowHandle()));
    DockIcon::stop();
}

} // namespace
