// The real program's first run on a real X server: onboarding opens instead
// of the speech server and the main window, a mouse walks every step with the
// footer's primary button, the first-words step takes a real dictation (a
// right-Super double-tap, speech into the microphone, a double-tap again) into
// its practice field, finishing stores "onboardingDone", and the next launch
// goes straight to a normal start.
#include "support/ProgramAccessTree.h" // before Qt: GLib headers use the name "signals"

#include "support/Artifacts.h"
#include "support/MicrophoneFeed.h"
#include "support/PortLock.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"
#include "support/XClient.h"
#include "support/XTestKeyboard.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTcpSocket>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

namespace {

using ProgramAccessTree::has;
using ProgramAccessTree::text;

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

const QString kOnboardingTitle = QStringLiteral("Quorvane");
// Where the footer's primary button sits, from the window's top-left corner.
constexpr QSize kWindowSize(640, 560);
constexpr QPoint kPrimaryButton(kWindowSize.width() - 34 - 50, kWindowSize.height() - 24 - 14);
// Move, welcome, speaking, reading, engine, permissions, languages.
constexpr int kMostPresses = 7;

// The program's windows as a screen reader sees them over AT-SPI.
class ProgramTree {
public:
    explicit ProgramTree(qint64 pid) : m_pid(pid) { atspi_init(); }

    // Whether an element named `name` is on screen.
    bool shows(const QString& name) {
        return visit([&](AtspiAccessible* element) {
            return text(atspi_accessible_get_name(element, nullptr)) == name && has(element, ATSPI_STATE_SHOWING);
        });
    }

    // The text of the focused element; none when no text element has the focus.
    std::optional<QString> focusedText() {
        std::optional<QString> found;
        visit([&](AtspiAccessible* element) {
            if (!has(element, ATSPI_STATE_FOCUSED))
                return false;
            AtspiText* field = atspi_accessible_get_text_iface(element);
            if (!field)
                return false;
            found = text(atspi_text_get_text(field, 0, atspi_text_get_character_count(field, nullptr), nullptr));
            g_object_unref(field);
            return true;
        });
        return found;
    }

private:
    bool visit(const std::function<bool(AtspiAccessible*)>& match) { return ProgramAccessTree::any(m_pid, match); }

    qint64 m_pid;
};

// The dictation's double-tap on the right Super key (the right Command key
// of the stored setting), at a typing hand's pace.
void doubleTapRightSuper(XTestKeyboard& keyboard) {
    constexpr int kPaceMs = 50;
    for (int tap = 0; tap < 2; ++tap) {
        keyboard.press("Super_R");
        QTest::qWait(kPaceMs);
        keyboard.release("Super_R");
        QTest::qWait(kPaceMs);
    }
}

bool speechServerAnswers() {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 50061);
    return socket.waitForConnected(300);
}

TEST(OnboardingDesktopTest, AFirstRunWalksEveryStepDictatesTheFirstWordsAndTheNextLaunchSkipsIt) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(50061);
    XClient screen;
    ASSERT_TRUE(screen.isOpen());

    ProgramHome home(R"({"openWindowAtLaunch":false})");
    const QString settings = home.file(QStringLiteral(".config/Quorvane/defaults.json"));
    const QByteArray speech =
        MicrophoneFeed::spokenPcm(home, QStringLiteral("the quick brown fox jumps over the lazy dog"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";

    QProcess first;
    ASSERT_TRUE(startProgram(first, home, engine));
    std::optional<QPoint> window;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window = screen.windowTitled(kOnboardingTitle)).has_value(); }, 15000))
        << "onboarding did not open";
    QTest::qWait(1500);
    EXPECT_FALSE(speechServerAnswers()) << "a first launch leaves the speech server to onboarding";
    EXPECT_FALSE(screen.windowTitled(QStringLiteral("Quorvane\u2122"))) << "nor does it open the main window";

    // Welcome, speaking and reading; the engine step then sets the engine up
    // by itself, from the distribution folder, and starts the speech server.
    for (int i = 0; i < 3; ++i) {
        screen.leftClick(*window + kPrimaryButton);
        QTest::qWait(400);
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return speechServerAnswers(); }, 120000)) << "the engine step did not finish";

    // Continue through the other steps to the first words.
    ProgramTree tree(first.processId());
    int presses = 3;
    while (!tree.shows(QStringLiteral("Try it once")) && presses < kMostPresses) {
        screen.leftClick(*window + kPrimaryButton);
        ++presses;
        QTest::qWait(400);
    }
    ASSERT_TRUE(tree.shows(QStringLiteral("Try it once"))) << "no first-words step after " << presses << " presses";
    EXPECT_GE(presses, 5) << "welcome, speaking, reading, engine and permissions come first";
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.focusedText() == QString(); }, 5000))
        << "the empty practice field does not have the focus";

    // The first dictation, as the page asks: double-tap, speak, double-tap.
    // The program bound its keys at launch, long before this step; a second
    // double-tap while the take is starting would stop it, so none is sent.
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    const QString trace = QStringLiteral(".local/share/Quorvane/bubble-trace.log");
    doubleTapRightSuper(keyboard);
    ASSERT_TRUE(QTest::qWaitFor([&] { return home.read(trace).contains("start  device="); }, 10000))
        << "the right-Super double-tap did not start a dictation";
    {
        MicrophoneFeed feed;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(speech.size() / 32 + 800);
        feed.feed(speech, [until] { return std::chrono::steady_clock::now() >= until; });
        QTest::qWait(int(speech.size() / 32 + 1000));
    }
    doubleTapRightSuper(keyboard);

    QString typed;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            typed = tree.focusedText().value_or(QString());
            return typed.contains(QStringLiteral("brown fox"), Qt::CaseInsensitive);
        },
        30000))
        << "practice field: " << typed.toStdString() << "\ntrace:\n"
        << home.read(trace).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree.shows(QStringLiteral("That is the whole thing")); }, 3000));
    EXPECT_TRUE(tree.shows(QStringLiteral("Read that back")));
    // The picture waits for the bubble to leave the window.
    (void)QTest::qWaitFor([&] { return !screen.windowTitled(QStringLiteral("Quorvane bubble")); }, 8000);
    if (QScreen* display = QGuiApplication::primaryScreen())
        Artifacts::save(
            display->grabWindow(0, window->x(), window->y(), kWindowSize.width(), kWindowSize.height()).toImage(),
            QStringLiteral("onboarding-desktop-first-words.png"));

    EXPECT_TRUE(tree.shows(QStringLiteral("Start using Quorvane")));
    screen.leftClick(*window + kPrimaryButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !screen.windowTitled(kOnboardingTitle); }, 3000))
        << "onboarding never finished";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QJsonDocument::fromJson(fileBytes(settings))[QStringLiteral("onboardingDone")].toBool(); }, 5000))
        << fileBytes(settings).toStdString();
    ASSERT_TRUE(endProgram(first));

    QProcess second;
    ASSERT_TRUE(startProgram(second, home, engine));
    EXPECT_TRUE(QTest::qWaitFor([] { return speechServerAnswers(); }, 60000)) << "the next launch starts normally";
    EXPECT_FALSE(screen.windowTitled(kOnboardingTitle)) << "and skips onboarding";
    EXPECT_TRUE(endProgram(second));
}

} // namespace
