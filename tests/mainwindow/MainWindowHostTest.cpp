// The host's retries, desktop settling and trace log, on a fake window
// manager and a clock the test moves; and the hand-over of page requests to
// the view.
#include "mainwindow/MainWindowHost.h"
#include "mainwindow/MainWindowView.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/TempFolder.h"

#include <QListWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class MainWindowHostTest : public ::testing::Test {
protected:
    MainWindowHostTest() { defaults.set(MainWindowHost::kTraceKey, true); }

    MainWindowHost& host() {
        if (!m_host)
            m_host = std::make_unique<MainWindowHost>(
                app, defaults,
                [this](AppState& state) {
                    view = new MainWindowView(state, &MainWindowView::titlePage, translation);
                    return view;
                },
                folder.file(QStringLiteral("data/Quorvane/main-window.log")), timers.delayedCall());
        return *m_host;
    }

    QStringList traceLines() const {
        const QByteArray log = folder.read(QStringLiteral("data/Quorvane/main-window.log"));
        return QString::fromUtf8(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The message part of each trace line (between the timestamp and the fields).
    QStringList traceMessages() const {
        QStringList messages;
        for (const QString& line : traceLines()) {
            const qsizetype start = line.indexOf(QStringLiteral("  ")) + 2;
            messages << line.mid(start, line.indexOf(QStringLiteral(" policy=")) - start);
        }
        return messages;
    }

    bool translation = true;
    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    AppState app;
    ManualTimers timers;
    MainWindowView* view = nullptr;
    std::unique_ptr<MainWindowHost> m_host;
};

TEST_F(MainWindowHostTest, TheFirstShowMakesTheOneWindowAndLaterShowsReuseIt) {
    host().show(std::nullopt);
    QWidget* window = host().window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), MainWindowHost::kSize);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvane\u2122"));
    EXPECT_FALSE(app.requestedPane());

    const WId native = window->internalWinId();
    ASSERT_NE(native, WId(0));
    ASSERT_NE(window->windowHandle()->handle(), nullptr);

    // Closing only hides: the native window stays, so the next show draws
    // into it instead of making a new one.
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(window->windowHandle()->handle(), nullptr);
    EXPECT_EQ(window->internalWinId(), native);
    host().show(std::nullopt);
    EXPECT_EQ(host().window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->internalWinId(), native);
}

TEST_F(MainWindowHostTest, TheFrameOfAClosedWindowIsWhereTheNextProgramOpensIt) {
    host().show(std::nullopt);
    host().window()->setGeometry(QRect(40, 50, 1000, 700));
    host().window()->close();
    MainWindowHost later(
        app, defaults, [](AppState& state) { return new MainWindowView(state, &MainWindowView::titlePage, true); },
        folder.file(QStringLiteral("later.log")), timers.delayedCall());
    later.show(std::nullopt);
    EXPECT_EQ(later.window()->size(), QSize(1000, 700));
}

TEST_F(MainWindowHostTest, AWindowThatGetsTheFocusAtOnceSettlesAndStopsFollowingDesktops) {
    host().show(std::nullopt);
    EXPECT_EQ(traceMessages(), QStringList({QStringLiteral("settled after 0"), QStringLiteral("resident after 0")}));
    EXPECT_EQ(host().desktopBehaviour(), MainWindowHost::DesktopBehaviour::Resident);
    const QString line = traceLines().constFirst();
    // A timestamp, two spaces, the message, then the fields in their order.
    EXPECT_TRUE(QDateTime::fromString(line.section(QStringLiteral("  "), 0, 0), Qt::ISODate).isValid())
        << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral("settled after 0 policy=regular appActive=true key=true visible=true "
                                             "onActiveSpace=true order=0 level=0 frontmost=?")))
        << line.toStdString();

    // The next show follows the desktop again until it has landed.
    platform.windowSystem.onCurrentDesktop = false;
    platform.windowSystem.movesWindows = false;
    host().show(std::nullopt);
    EXPECT_EQ(host().desktopBehaviour(), MainWindowHost::DesktopBehaviour::FollowsCurrentDesktop);
}

TEST_F(MainWindowHostTest, AWindowThatNeverGetsTheFocusIsTriedNineTimesThenLeft) {
    platform.windowSystem.grantsFocus = false;
    host().show(std::nullopt);
    timers.runAll();
    EXPECT_EQ(platform.windowSystem.fronts, 9);
    EXPECT_EQ(timers.delays, std::vector<ManualTimers::Duration>(8, MainWindowHost::kRaiseInterval));
    EXPECT_EQ(traceMessages(), QStringList({QStringLiteral("gave up after 8")}));
    EXPECT_TRUE(traceLines().constFirst().contains(QStringLiteral(" key=false")));
}

TEST_F(MainWindowHostTest, AWindowThatNeverLandsIsCheckedThirteenTimesAndKeepsFollowing) {
    platform.windowSystem.onCurrentDesktop = false;
    platform.windowSystem.movesWindows = false;
    host().show(std::nullopt);
    timers.runAll();
    EXPECT_EQ(timers.delays, std::vector<ManualTimers::Duration>(12, MainWindowHost::kSettleInterval));
    EXPECT_EQ(traceMessages(),
              QStringList({QStringLiteral("settled after 0"), QStringLiteral("never landed after 12")}));
    EXPECT_EQ(host().desktopBehaviour(), MainWindowHost::DesktopBehaviour::FollowsCurrentDesktop);
    EXPECT_TRUE(traceLines().constLast().contains(QStringLiteral(" onActiveSpace=false")));
}

TEST_F(MainWindowHostTest, AWindowThatLandsLaterIsResidentFromThatCheck) {
    platform.windowSystem.onCurrentDesktop = false;
    platform.windowSystem.movesWindows = false;
    host().show(std::nullopt);
    timers.advance(3 * MainWindowHost::kSettleInterval);
    platform.windowSystem.onCurrentDesktop = true;
    timers.runAll();
    EXPECT_EQ(traceMessages(), QStringList({QStringLiteral("settled after 0"), QStringLiteral("resident after 4")}));
    EXPECT_EQ(host().desktopBehaviour(), MainWindowHost::DesktopBehaviour::Resident);
}

TEST_F(MainWindowHostTest, TwoQuickShowsRunTwoIndependentChains) {
    platform.windowSystem.grantsFocus = false;
    host().show(std::nullopt);
    timers.advance(MainWindowHost::kRaiseInterval * 3 + 10ms);
    host().show(std::nullopt);
    timers.runAll();
    EXPECT_EQ(platform.windowSystem.fronts, 18);
    EXPECT_EQ(traceMessages(), QStringList({QStringLiteral("gave up after 8"), QStringLiteral("gave up after 8")}));
}

TEST_F(MainWindowHostTest, DesktopSwitchesAreTracedAtOnceAndAgainLater) {
    host().show(std::nullopt);
    platform.windowSystem.switchDesktop();
    EXPECT_EQ(traceMessages().constLast(), QStringLiteral("space changed"));
    timers.advance(MainWindowHost::kDesktopEcho);
    EXPECT_EQ(traceMessages().constLast(), QStringLiteral("space changed +0.4s"));
    // Later windows do not add a second watch.
    host().show(std::nullopt);
    platform.windowSystem.switchDesktop();
    EXPECT_EQ(traceMessages().count(QStringLiteral("space changed")), 2);
}

class UntracedHostTest : public MainWindowHostTest {
protected:
    UntracedHostTest() { defaults.set(MainWindowHost::kTraceKey, false); }
};

TEST_F(UntracedHostTest, NoTraceFileIsMadeWhileTracingIsOff) {
    platform.windowSystem.grantsFocus = false;
    host().show(std::nullopt);
    timers.runAll();
    platform.windowSystem.switchDesktop();
    timers.runAll();
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("data/Quorvane"))));
}

// Page requests travel through the shared state to the view.

TEST_F(MainWindowHostTest, ARequestMadeBeforeTheWindowExistsIsTakenWhenItShows) {
    app.setRequestedPane(MainWindowPane::Reader);
    host().show(std::nullopt);
    EXPECT_EQ(view->pane(), MainWindowPane::Reader);
    EXPECT_EQ(view->page()->windowTitle(), QStringLiteral("Reader"));
    EXPECT_FALSE(app.requestedPane());
}

TEST_F(MainWindowHostTest, ARequestWhileClosedIsTakenOnTheNextShowAndAPlainShowKeepsThePage) {
    host().show(MainWindowPane::Cleanup);
    EXPECT_EQ(view->pane(), MainWindowPane::Cleanup);
    host().window()->close();
    app.setRequestedPane(MainWindowPane::General);
    EXPECT_EQ(view->pane(), MainWindowPane::Cleanup);
    host().show(std::nullopt);
    EXPECT_EQ(view->pane(), MainWindowPane::General);
    EXPECT_FALSE(app.requestedPane());
    host().show(std::nullopt);
    EXPECT_EQ(view->pane(), MainWindowPane::General);
}

TEST_F(MainWindowHostTest, TwoEqualRequestsBothTakeEffect) {
    host().show(MainWindowPane::Reader);
    view->sidebar()->setCurrentRow(int(view->sidebarPanes().indexOf(MainWindowPane::Dictation)));
    EXPECT_EQ(view->pane(), MainWindowPane::Dictation);
    EXPECT_FALSE(app.requestedPane());
    host().show(MainWindowPane::Reader);
    EXPECT_EQ(view->pane(), MainWindowPane::Reader);
    EXPECT_EQ(view->sidebar()->currentItem()->text(), QStringLiteral("Reader"));
}

TEST_F(MainWindowHostTest, EveryShowAndEveryChoiceBuildsThePageAfresh) {
    host().show(std::nullopt);
    QWidget* first = view->page();
    host().window()->close();
    host().show(std::nullopt);
    EXPECT_NE(view->page(), first);
    QWidget* second = view->page();
    view->sidebar()->setCurrentRow(1);
    view->sidebar()->setCurrentRow(0);
    EXPECT_NE(view->page(), second);
    EXPECT_EQ(view->pane(), MainWindowPane::Dashboard);
}

class NoTranslatorHostTest : public MainWindowHostTest {
protected:
    NoTranslatorHostTest() { translation = false; }
};

TEST_F(NoTranslatorHostTest, WithoutATranslatorTheRowIsHiddenButARequestStillShowsThePage) {
    host().show(std::nullopt);
    EXPECT_EQ(view->sidebar()->count(), 9);
    EXPECT_FALSE(view->sidebarPanes().contains(MainWindowPane::Translation));
    host().show(MainWindowPane::Translation);
    EXPECT_EQ(view->pane(), MainWindowPane::Translation);
    EXPECT_EQ(view->page()->windowTitle(), QStringLiteral("Translation"));
    EXPECT_TRUE(view->sidebar()->selectedItems().isEmpty());
    EXPECT_GE(view->minimumWidth(), MainWindowView::kMinimumSize.width());
}

TEST_F(NoTranslatorHostTest, APairInstalledWhileTheWindowIsOpenListsTheRowAndRemovingItTakesItAway) {
    host().show(MainWindowPane::Translation);
    view->setShowsTranslation(true);
    EXPECT_EQ(view->sidebarPanes(), MainWindowPanes::all());
    ASSERT_NE(view->sidebar()->currentItem(), nullptr);
    EXPECT_EQ(view->sidebar()->currentItem()->text(), QStringLiteral("Translation"));
    EXPECT_EQ(view->pane(), MainWindowPane::Translation);

    view->sidebar()->setCurrentRow(int(view->sidebarPanes().indexOf(MainWindowPane::General)));
    QWidget* page = view->page();
    view->setShowsTranslation(false);
    EXPECT_EQ(view->page(), page) << "the page on screen stays as it is";
    EXPECT_FALSE(view->sidebarPanes().contains(MainWindowPane::Translation));
    EXPECT_EQ(view->sidebar()->count(), 9);
    EXPECT_EQ(view->pane(), MainWindowPane::General);
    ASSERT_NE(view->sidebar()->currentItem(), nullptr);
    EXPECT_EQ(view->sidebar()->currentItem()->text(), QStringLiteral("General"));
}

} // namespace
