// The bubble on the harness's X display, which has no compositing manager: a
// real dictation shows it listening, thinking and with the result card next
// to the target window, which keeps the X input focus all along; around the
// card the desktop stays visible and takes its clicks; the number keys and
// the swap buttons fix the target's text; a target at the bottom of the
// screen sends the card to the top. Each test runs without and with a window
// manager.
#include "audio/Recorder.h"
#include "dictation/BubblePanel.h"
#include "dictation/BubbleView.h"
#include "dictation/DictationController.h"
#include "dictation/FrontmostApp.h"
#include "dictation/SwapOptionButton.h"
#include "dictation/WordSwapRow.h"
#include "dictation/WordSwapTaker.h"
#include "dictation_e2e/DictationTarget.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "insertion/AXText.h"
#include "learning/WordSwapper.h"
#include "platform/Pasteboard.h"
#include "platform/WindowSystem.h"
#include "platform/linux/LinuxPlatform.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/DictationStores.h"
#include "support/EngineWait.h"
#include "support/LineLog.h"
#include "support/MicrophoneFeed.h"
#include "support/PortLock.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"
#include "support/XTestKeyboard.h"
#include "support/XTestPointer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
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

// A window of a colour no look uses, laid where the panel goes; counts the
// clicks it gets.
class Backdrop : public QWidget {
public:
    static constexpr QRgb kColour = qRgb(255, 0, 255);

    Backdrop()
        : QWidget(nullptr,
                  Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus) {
        setAttribute(Qt::WA_ShowWithoutActivating);
    }
    int presses = 0;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(kColour)); }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
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
        ASSERT_TRUE(ready) << "frontmost "
                           << (front ? front->name.toStdString() + " " + std::to_string(front->pid) : "none")
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
    const EngineStoppedAtEnd engineStopped;
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
            &watcher,
            [&, index] {
                seen[index].mapped = x.isViewable(panelWindow());
                seen[index].focus = x.focus();
            },
            Qt::QueuedConnection);
    });

    Recorder recorder;
    DictationStores stores;
    DictationController controller(state, Defaults::shared(), recorder, stores.services(), DictationPeers{&panel});
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
    state.setWordSwaps(
        {{QUuid::createUuid(), QStringLiteral("teh"), {QStringLiteral("the"), QStringLiteral("tea")}, 5, 3}});
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

TEST_P(BubbleDesktopTest, AroundTheLookTheDesktopStaysVisibleAndTakesItsClicks) {
    ASSERT_FALSE(linux.services().windowSystem->hasCompositor()) << "the harness runs no compositing manager";
    Defaults::shared().set(QStringLiteral("previewStyle"), QStringLiteral("card"));
    state.setCleanupState(AppState::CleanupState::Idle);
    state.setWordSwaps({});
    state.setFinalText(QStringLiteral("send the report"));
    state.setFlashMessage(QStringLiteral("Copied to the clipboard."));
    panel.show(BubbleMode::Listening);
    const QRect frame = panel.window()->geometry();
    Backdrop backdrop;
    backdrop.setGeometry(frame.adjusted(-40, -40, 40, 40));
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));
    const QString setting = GetParam() ? QStringLiteral("managed") : QStringLiteral("bare");

    const QList<QPair<BubbleMode, QString>> modes = {{BubbleMode::Listening, QStringLiteral("listening")},
                                                     {BubbleMode::Thinking, QStringLiteral("thinking")},
                                                     {BubbleMode::Flash, QStringLiteral("flash")},
                                                     {BubbleMode::Result, QStringLiteral("result")}};
    for (const auto& [mode, modeName] : modes) {
        panel.show(mode);
        ASSERT_EQ(panel.window()->geometry(), frame);
        QTest::qWait(250); // drawn
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                .toImage();
        ASSERT_EQ(shot.size(), frame.size());
        const QString name = QStringLiteral("shaped-%1-%2.png").arg(modeName, setting);
        shot.save(QStringLiteral(QUORVANE_ARTIFACTS "/") + name);
        // Every pixel a little away from the look's outline: the backdrop
        // outside it, the look inside.
        const QRect look = panel.view()->lookRect().toAlignedRect();
        ASSERT_LT(look.height(), frame.height() - 40) << "the look leaves a clear band";
        int hidden = 0, uncovered = 0;
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4) {
                const bool magenta = shot.pixel(x, y) == Backdrop::kColour;
                if (!look.adjusted(-3, -3, 3, 3).contains(x, y) && !magenta)
                    ++hidden;
                if (look.adjusted(24, 24, -24, -24).contains(x, y) && magenta)
                    ++uncovered;
            }
        EXPECT_EQ(hidden, 0) << "the desktop is covered beside the " << modeName.toStdString() << " look, see "
                             << name.toStdString();
        EXPECT_EQ(uncovered, 0) << modeName.toStdString();
    }

    // The result card takes the mouse, but only over itself.
    ASSERT_TRUE(panel.acceptsMouse());
    const QRect look = panel.view()->lookRect().toAlignedRect().translated(frame.topLeft());
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());
    const QPoint beside(look.center().x(),
                        state.cardAtTop() ? (look.bottom() + frame.bottom()) / 2 : (frame.top() + look.top()) / 2);
    pointer.moveTo(beside);
    pointer.click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return backdrop.presses == 1; }, 3000)) << "the click beside the card was lost";
    pointer.moveTo(QPoint(look.center().x(), look.bottom() - 12));
    pointer.click();
    QTest::qWait(300);
    EXPECT_EQ(backdrop.presses, 1) << "a click on the card is the card's";
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result);
    EXPECT_EQ(x.focus(), targetFocus);
}

TEST_P(BubbleDesktopTest, TheNumberKeysAndTheSwapButtonsFixTheTargetsText) {
    const auto typeIntoTarget = [&](const QString& text) {
        return target->ask(QStringLiteral("selectall"), QStringLiteral("selected"))
               && target->ask(QStringLiteral("type ") + text, QStringLiteral("typed"))
               && QTest::qWaitFor([&] { return AXText::textBeforeCaret(200) == text; }, 5000);
    };
    // The swap publishes the fixed text, then retypes it by a paste; while
    // the target fetches the pasted text it answers no accessibility query.
    const auto waitForTargetText = [&](const QString& text) {
        if (!QTest::qWaitFor([&] { return state.finalText() == text; }, 5000))
            return false;
        bool fetched = false;
        Platform::current().pasteboard->whenFetched([&] { fetched = true; });
        return QTest::qWaitFor([&] { return fetched; }, 5000)
               && QTest::qWaitFor([&] { return AXText::textBeforeCaret(200) == text; }, 5000);
    };
    WordSwapper swapper(state, [] { return QStringList{QStringLiteral("the"), QStringLiteral("report")}; });
    panel.setWordSwapTaker(&swapper);
    state.setCleanupState(AppState::CleanupState::Idle);

    // "1" takes the first option; the digit itself never reaches the target.
    const QString heard = QStringLiteral("Please send teh report");
    ASSERT_TRUE(typeIntoTarget(heard));
    state.setFinalText(heard);
    state.setWordSwaps(
        {{QUuid::createUuid(), QStringLiteral("teh"), {QStringLiteral("the"), QStringLiteral("tea")}, 12, 3}});
    panel.show(BubbleMode::Result);
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.isViewable(panelWindow()); }, 3000));
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    keyboard.tap("1");
    EXPECT_TRUE(waitForTargetText(QStringLiteral("Please send the report")))
        << "the target reads " << AXText::textBeforeCaret(200).value_or(QString()).toStdString();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !x.isViewable(panelWindow()); }, 3000));

    // A click on a swap button retypes the text; the keys posted for it are
    // not typing, so the card stays up with the fixed text.
    const QString second = QStringLiteral("Please send the reprot");
    ASSERT_TRUE(typeIntoTarget(second));
    state.setFinalText(second);
    state.setWordSwaps({{QUuid::createUuid(), QStringLiteral("reprot"), {QStringLiteral("report")}, 16, 6}});
    panel.show(BubbleMode::Result);
    ASSERT_TRUE(QTest::qWaitFor([&] { return x.isViewable(panelWindow()); }, 3000));
    QTest::qWait(100);
    const QList<SwapOptionButton*> buttons = panel.view()->swapRow()->buttons();
    ASSERT_EQ(buttons.size(), 1);
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());
    pointer.moveTo(buttons.first()->mapToGlobal(buttons.first()->rect().center()));
    pointer.click();
    EXPECT_TRUE(waitForTargetText(QStringLiteral("Please send the report")))
        << "the target reads " << AXText::textBeforeCaret(200).value_or(QString()).toStdString();
    QTest::qWait(500); // the posted keys have come back through the watch
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result) << "the card was hidden by our own keystrokes";
    EXPECT_TRUE(x.isViewable(panelWindow()));
    EXPECT_EQ(x.focus(), targetFocus);
    panel.setWordSwapTaker(nullptr);
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
