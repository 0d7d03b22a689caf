// The tray icon under the harness's tray host, with the menu wired to the
// program's action table.
#include "app/AppActions.h"
#include "state/AppState.h"
#include "app/QuorvaneApp.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(TrayDesktopTest, TheTrayIconShowsAndItsMenuStartsDictation) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));
    AppActions actions;
    AppState state;
    actions.toggleDictation = [&] { state.setIsRecording(!state.isRecording()); };
    QuorvaneApp scene(actions, state);
    scene.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scene.tray()->isVisible() && !scene.tray()->geometry().isEmpty(); }, 5000));
    EXPECT_FALSE(scene.tray()->icon().isNull());

    QAction* start = scene.menu()->actions().constFirst();
    EXPECT_EQ(start->text(), QStringLiteral("Start Dictation"));
    start->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.isRecording(); }, 2000));
    EXPECT_EQ(start->text(), QStringLiteral("Stop Dictation"));
}

} // namespace
