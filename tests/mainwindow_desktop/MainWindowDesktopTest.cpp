// The main window on a real X server: opened from the tray's "Settings...",
// its sidebar clicked row by row as a user's mouse does, a mode pinned from
// the tray's mode submenu, and the real program raising its window when it is
// launched a second time, and the real program opening documents it cannot
// take without hanging.
#include "app/QuorvaneApp.h"
#include "cleanup/DictationMode.h"
#include "cleanup/ModeMenu.h"
#include "cleanup/ModeStore.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowHost.h"
#include "mainwindow/MainWindowView.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/PortLock.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"
#include "support/TestPageServices.h"
#include "support/XClient.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr int kWaitMs = 5000;

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

QAction* menuItem(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

TEST(MainWindowDesktopTest, TheTraysSettingsItemOpensTheWindowAndEverySidebarRowFollowsAClick) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    XClient mouse;
    ASSERT_TRUE(mouse.isOpen());
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    defaults.set(MainWindowHost::kTraceKey, true);
    const QString trace = folder.file(QStringLiteral("Quorvane/main-window.log"));
    AppState app;
    // What the pages reach of the program's root.
    TestPageServices pages;
    MainWindowView* view = nullptr;
    MainWindowHost host(
        app, defaults,
        [&view, &pages](AppState& state) {
            view = new MainWindowView(state, MainWindowView::standardPages(pages.services()), true);
            return view;
        },
        trace, DelayedCalls::timers());

    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWaitMs));
    AppActions actions;
    actions.showMainWindow = [&host] { host.show(std::nullopt); };
    QuorvaneApp scene(actions, app);
    scene.show();
    QAction* settings = menuItem(*scene.menu(), QStringLiteral("Settings..."));
    ASSERT_NE(settings, nullptr);
    settings->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.window() && host.window()->isVisible(); }, kWaitMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return mouse.windowTitled(QStringLiteral("Quorvane\u2122")).has_value(); }, kWaitMs));
    QTest::qWait(300);

    for (MainWindowPane pane : view->sidebarPanes()) {
        QListWidgetItem* row = view->sidebar()->item(int(view->sidebarPanes().indexOf(pane)));
        const QPoint at = view->sidebar()->viewport()->mapToGlobal(view->sidebar()->visualItemRect(row).center());
        mouse.leftClick(at);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->pane() == pane; }, kWaitMs))
            << "the click on " << MainWindowPanes::title(pane).toStdString() << " did not show its page";
        EXPECT_EQ(view->page()->windowTitle(), MainWindowPanes::title(pane));
    }
    mouse.leftClick(
        view->sidebar()->viewport()->mapToGlobal(view->sidebar()->visualItemRect(view->sidebar()->item(0)).center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->pane() == MainWindowPane::Dashboard; }, kWaitMs));
    QTest::qWait(200);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    EXPECT_FALSE(Artifacts::save(screen, QStringLiteral("main-window-desktop.png")).isEmpty());

    // X11 hands the focus over asynchronously, so the tries it took may be more than one.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString log = QString::fromUtf8(fileBytes(trace));
            return log.contains(QStringLiteral("  settled after "))
                   && log.contains(QStringLiteral("  resident after "));
        },
        kWaitMs))
        << fileBytes(trace).toStdString();
    QFile::remove(QDir(Artifacts::folder()).filePath(QStringLiteral("main-window-trace.log")));
    QFile::copy(trace, QDir(Artifacts::folder()).filePath(QStringLiteral("main-window-trace.log")));
    host.window()->close();
    Platform::install(previous);
}

TEST(MainWindowDesktopTest, PinningAModeFromTheTraysModeSubmenuTitlesItPinned) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    XClient mouse;
    ASSERT_TRUE(mouse.isOpen());
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWaitMs));
    Defaults::shared().remove(ModeStore::pinnedKey);
    ModeStore store(Defaults::shared());
    const DictationMode notes = store.modes().constFirst();
    AppState app;
    AppActions actions;
    // The tray's mode section, as the program's root adds it.
    actions.addModeSection = [&store](QMenu* menu) { new ModeMenu(store, Defaults::shared(), menu); };
    QuorvaneApp scene(actions, app);
    scene.show();
    QAction* modes = nullptr;
    for (QAction* action : scene.menu()->actions())
        if (action->menu())
            modes = action;
    ASSERT_NE(modes, nullptr);
    QMenu* submenu = modes->menu();
    EXPECT_EQ(submenu->title(), QStringLiteral("Mode: Automatic"));

    // Opened and chosen with the pointer, as a user does.
    scene.menu()->popup(QGuiApplication::primaryScreen()->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return scene.menu()->isVisible(); }, kWaitMs));
    QTest::qWait(200);
    mouse.leftClick(scene.menu()->mapToGlobal(scene.menu()->actionGeometry(modes).center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return submenu->isVisible(); }, kWaitMs));
    QTest::qWait(200);
    QAction* row = menuItem(*submenu, ModeMenu::kUnmarked + notes.name);
    ASSERT_NE(row, nullptr);
    mouse.leftClick(submenu->mapToGlobal(submenu->actionGeometry(row).center()));

    EXPECT_TRUE(QTest::qWaitFor([&] { return Defaults::shared().string(ModeStore::pinnedKey) == notes.id; }, kWaitMs));
    EXPECT_EQ(submenu->title(), QStringLiteral("Mode: ") + notes.name + QStringLiteral(" (pinned)"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !scene.menu()->isVisible(); }, kWaitMs));
    Defaults::shared().remove(ModeStore::pinnedKey);
}

// The socket the real program listens on for later launches, for a given
// home: in the harness's runtime folder, which the program inherits.
QString instanceSocket(const QString& home) {
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/quorvane-")
           + QString::fromLatin1(
               QCryptographicHash::hash(QFile::encodeName(home), QCryptographicHash::Sha1).toHex().left(8));
}

TEST(MainWindowDesktopTest, ASecondLaunchRaisesTheRunningProgramsWindow) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(50061);
    XClient screen;
    ASSERT_TRUE(screen.isOpen());

    // Set up, with the window left closed at launch and its trace on.
    ProgramHome home(R"({"onboardingDone":true,"openWindowAtLaunch":false,"mainWindowTrace":true})");
    const QString socket = instanceSocket(home.path());
    const QString trace = home.file(QStringLiteral(".local/share/Quorvane/main-window.log"));

    QProcess first;
    ASSERT_TRUE(startProgram(first, home, engine));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socket); }, 15000)) << "the program never listened";
    QTest::qWait(1000);
    EXPECT_FALSE(screen.windowTitled(QStringLiteral("Quorvane\u2122")));

    QProcess second;
    ASSERT_TRUE(startProgram(second, home, engine));
    EXPECT_TRUE(finishes(second, std::chrono::seconds(15))) << "a second launch hands over and ends";

    EXPECT_TRUE(
        QTest::qWaitFor([&] { return screen.windowTitled(QStringLiteral("Quorvane\u2122")).has_value(); }, 10000))
        << "the running program did not show its window";
    EXPECT_TRUE(QTest::qWaitFor([&] { return fileBytes(trace).contains("  settled after "); }, 10000))
        << fileBytes(trace).toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    EXPECT_TRUE(endProgram(first));
}

// A FIFO named like a note document would hold the program in its read until
// someone wrote to it, and a document of a gigabyte would be read whole: the
// program says it cannot open them, and goes on to quit when asked.
TEST(MainWindowDesktopTest, DocumentsThatAreNoNoteFileGetAMessageAndTheProgramRunsOn) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(50061);
    XClient screen;
    ASSERT_TRUE(screen.isOpen());
    ASSERT_FALSE(screen.windowTitled(QStringLiteral("Quorvane"))) << "a message box of another program is open";

    ProgramHome home(R"({"onboardingDone":true,"openWindowAtLaunch":false})");
    const QString fifo = home.file(QStringLiteral("notes.quorvane"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile huge(home.file(QStringLiteral("huge.quorvane")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 30));
    huge.close();

    QProcess program;
    ASSERT_TRUE(startProgram(program, home, engine, {fifo, huge.fileName()}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return screen.windowTitled(QStringLiteral("Quorvane")).has_value(); }, 15000))
        << "no message about the documents";
    EXPECT_TRUE(endProgram(program));
}

} // namespace
