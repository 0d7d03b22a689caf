// The bubble on the harness's X display: a real dictation shows it listening,
// thinking and with the result card next to the target window, which keeps
// the X input focus all along; the number keys reach the card through the
// shared key watch; a target at the bottom of the screen sends the card to
// the top. Each test runs without and with a window manager.
#include "audio/Recorder.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation/FrontmostApp.h"
#include "dictation/WordSwapTaker.h"
#include "dictation_e2e/DictationTarget.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "insertion/AXText.h"
#include "platform/linux/LinuxPlatform.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/EngineWait.h"
#include "support/LineLog.h"
#include "support/MicrophoneFeed.h"
#include "support/PortLock.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"
#include "support/XTestKeyboard.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

// The X headers last: their macros clash with Qt's names.
#include "bubble_desktop/WindowManager.h"

#include <X11/Xlib.h>

namespace {

const QString kSentence =
    QStringLiteral("please schedule a meeting with the marketing team for next tuesday afternoon");

// What the X server says about a window, over a connection of the test's own.
class XServer {
public:
    XServer() : m_display(XOpenDisplay(nullptr)) {}
    ~XServer() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isOpen() const { return m_display; }
    Window focus() const {
        Window focused = None;
        int revert = 0;
        XGetInputFocus(m_display, &focused, &revert);
        return focused;
    }
    bool isViewable(Window window) const {
        XWindowAttributes attributes;
        return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable;
    }
    // The child of the root window that holds `window` (its frame under a window manager).
    Window topLevel(Window window) const {
        Window root = None, parent = None, *children = nullptr;
        unsigned int count = 0;
        while (window != None && XQueryTree(m_display, window, &root, &parent, &children, &count)) {
            if (children)
                XFree(children);
            if (parent == root)
                return window;
            window = parent;
        }
        return None;
    }
    void move(Window window, int x, int y) {
        XMoveWindow(m_display, window, x, y);
        XSync(m_display, False);
    }

private:
    Display* m_display;
};

class RecordingTaker : public WordSwapTaker {
public:
    void take(const AppState::WordSwap& swap, const QString& option) override { taken.append({swap.word, option}); }
    QList<QPair<QString, QString>> taken;
};

class BubbleDesktopTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        if (GetParam()) {
            manager = std::make_unique<WindowManager>();
            ASSERT_TRUE(manager->running()) << "openbox did not start";
        }
        previous = Platform::install(linux.services());
        ASSERT_TRUE(x.isOpen());
        target = std::make_unique<DictationTarget>();
        ASSERT_TRUE(target->ready());
        ASSERT_TRUE(target->ask(QStringLiteral("focus line"), QStringLiteral("focused")));
        const bool ready = QTest::qWaitFor(
            [&] {
                const std::optional<FrontmostApp> front = FrontmostApp::current();
                return front && front->pid == target->pid() && AXText::focusedElement();
            },
            10000);
        const std::optional<FrontmostApp> front = FrontmostApp::current();
        ASSERT_TRUE(ready) << "frontmost " << (front ? front->name.toStdString() + " " + std::to_string(front->pid) : "none")
                           << ", target " << target->pid() << ", element " << bool(AXText::focusedElement());
        targetFocus = x.focus();
        ASSERT_NE(targetFocus, Window(None));
        state.setTargetAppName(FrontmostApp::current()->name);
    }

    void TearDown() override {
        panel.hide();
        target.reset();
        if (previous.hotkeys || previous.workspace)
            Platform::install(previous);
        manager.reset();
    }

    Window panelWindow() const { return panel.window() ? Window(panel.window()->winId()) : None; }

    std::unique_ptr<WindowManager> manager;
    LinuxPlatform linux;
    Platform previous;
    XServer x;
    std::unique_ptr<DictationTarget> target;
    Window targetFocus = None;
    AppState& state = AppState::shared();
    BubblePanel panel{AppState::shared(), Defaults::shared(), BubblePanel::Desktop::standard()};
};

TEST_P(BubbleDesktopTest, ADictationShowsEachStageBesideTheTargetWithoutTakingItsFocus) {
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    qputenv("QV_ENGINE_ROOT", QFile::encodeName(engine));
    const PortLock port(50061);
    TempFolder folder;
    const QByteArray speech = MicrophoneFeed::spokenPcm(folder, kSentence, QStringLiteral("awb"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    ASSERT_TRUE(startEngineHere()) << "the speech engine did not start";

    Defaults::shared().set(QStringLiteral("showResultCard"), true);
    Defaults::shared().set(QStringLiteral("previewStyle"), QStringLiteral("card"));
    // Each stage as it is shown, and a look at the screen right after the show.
    struct Seen {
        BubbleMode mode;
        bool mapped = false;
        Window focus = None;
    };
    QList<Seen> seen;
    QObject watcher;
    QObject::connect(&state, &AppState::bubbleModeChanged, &watcher, [&] {
        const qsizetype index = seen.size();
        seen.append({state.bubbleMode()});
        QMetaObject::invokeMethod(
            &watcher, [&, index] {
                seen[index].mapped = x.isViewable(panelWindow());
                seen[index].focus = x.focus();
            },
            Qt::QueuedConnection);
    });

    Recorder recorder;
    DictationController controller(state, Defaults::shared(), recorder, DictationController::Services::shared(),
                                   DictationPeers{&panel});
    const qint64 traceStart = QFileInfo(Recorder::traceLog().path()).size();
    controller.toggle();
    ASSERT_TRUE(state.isRecording());
    const qsizetype wanted = speech.size() / 2 + 8000;
    ASSERT_TRUE(MicrophoneFeed::speak(speech, [&] { return recorder.sampleCount() >= wanted; }));
    ASSERT_TRUE(awaitFuture(controller.toggle(), 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.bubbleMode() == BubbleMode::Result; }, 5000))
        << "flash: " << state.flashMessage().toStdString();
    QTest::qWait(50);

    QList<BubbleMode> modes;
    for (const Seen& stage : std::as_const(seen)) {
        if (stage.mode == BubbleMode::Hidden)
            continue;
        modes << stage.mode;
        EXPECT_TRUE(stage.mapped) << "mode " << int(stage.mode);
        EXPECT_EQ(stage.focus, targetFocus) << "mode " << int(stage.mode);
    }
    EXPECT_EQ(modes, (QList<BubbleMode>{BubbleMode::Listening, BubbleMode::Thinking, BubbleMode::Result}));
    EXPECT_EQ(x.focus(), targetFocus);
    EXPECT_TRUE(x.isViewable(panelWindow()));
    EXPECT_FALSE(panel.window()->isActiveWindow());

    const QString typed = AXText::textBeforeCaret(500).value_or(QString());
    EXPECT_TRUE(typed.contains(QStringLiteral("marketing"), Qt::CaseInsensitive)) << typed.toStdString();
    EXPECT_TRUE(typed.endsWith(state.finalText())) << typed.toStdString();

    QFile trace(Recorder::traceLog().path());
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    trace.seek(traceStart);
    const QString lines = QString::fromUtf8(trace.readAll());
    for (const char* mode : {"listening", "thinking", "result"})
        EXPECT_TRUE(lines.contains(QStringLiteral("  show(%1) rule=").arg(QLatin1String(mode)))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("visible=true onScreen=true intersectsADisplay=true alpha=1 level=1000")))
        << lines.toStdString();
}

TEST_P(BubbleDesktopTest, TheTwoKeyTakesTheSecondOptionOfTheCard) {
    // The modifier taps watch keys too: the bubble shares their watch.
    int taps = 0;
    ModifierTapMonitor monitor(Platform::current().hotkeys);
    monitor.setBindings({{ModifierTapMonitor::Key::RightCommand, [&] { ++taps; }, {}}});
    monitor.start();
    ASSERT_TRUE(monitor.isWatching());
    RecordingTaker taker;
    panel.setWordSwapTaker(&taker);
    state.setCleanupState(AppState::CleanupState::Idle);
    state.setFinalText(QStringLiteral("send teh report"));
    state.setWordSwaps({{QUuid::createUuid(), QStringLiteral("teh"), {QStringLiteral("the"), QStringLiteral("tea")}, 5, 3}});
    panel.show(BubbleMode::Result);
    ASSERT_TRUE(panel.isWatchingKeys());
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.isViewable(panelWindow()); }, 3000));

    const QString shot = QStringLiteral(QUORVANE_ARTIFACTS "/desktop-result-%1.png")
                             .arg(GetParam() ? QStringLiteral("managed") : QStringLiteral("bare"));
    QDir().mkpath(QStringLiteral(QUORVANE_ARTIFACTS));
    QTest::qWait(100); // the first frame
    panel.captureRegion(shot);
    const QImage captured(shot);
    EXPECT_EQ(captured.size(), QSize((620 + 120) * 2, (320 + 120) * 2));

    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    keyboard.tap("2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !taker.taken.isEmpty(); }, 3000));
    EXPECT_EQ(taker.taken.first(), qMakePair(QStringLiteral("teh"), QStringLiteral("tea")));
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
    EXPECT_FALSE(panel.isWatchingKeys());
    EXPECT_EQ(x.focus(), targetFocus);
    state.setWordSwaps({});

    // The bubble's watch has ended; the taps' goes on.
    keyboard.tap("Super_R");
    keyboard.tap("Super_R");
    EXPECT_TRUE(QTest::qWaitFor([&] { return taps == 1; }, 3000));
}

TEST_P(BubbleDesktopTest, ATargetAtTheBottomOfTheScreenPutsTheCardAtTheTop) {
    // A caret in an empty field has no rectangle: give it some text.
    ASSERT_TRUE(target->ask(QStringLiteral("type Dear team, "), QStringLiteral("typed")));
    const Window window = x.topLevel(targetFocus);
    ASSERT_NE(window, Window(None));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Centred, its field within the band the panel takes at the bottom.
    x.move(window, screen.center().x() - 240, screen.bottom() + 1 - 330);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<QRect> caret = AXText::selectionScreenRect();
            return caret && caret->top() > screen.bottom() - 330;
        },
        5000))
        << "the target did not move";
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(panel.lastPlacementRule(), BubblePlacement::Rule::Caret);
    EXPECT_TRUE(state.cardAtTop());
    const QRect usable = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(panel.window()->geometry().top(), usable.top() + 26);
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.isViewable(panelWindow()); }, 3000));
    EXPECT_EQ(x.focus(), targetFocus);
    state.setCardAtTop(false);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, BubbleDesktopTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Openbox") : std::string("Bare");
                         });

} // namespace
