// The real program's first run on a real X server: onboarding opens instead
// of the speech server and the main window, a mouse walks every step with the
// footer's primary button, finishing stores "onboardingDone", and the next
// launch goes straight to a normal start.
#include "support/PortLock.h"
#include "support/ProgramHome.h"
#include "support/TestEngine.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpSocket>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <optional>

// After Qt: Xlib's macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

const QString kOnboardingTitle = QStringLiteral("Quorvane");
// Where the footer's primary button sits, from the window's top-left corner.
constexpr QPoint kPrimaryButton(640 - 34 - 50, 560 - 24 - 14);

// The test's own connection to the X server: a user's mouse, and a look at
// the windows as another program sees them.
class XClient {
public:
    XClient() : m_display(XOpenDisplay(nullptr)) {}
    ~XClient() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isOpen() const { return m_display != nullptr; }

    void leftClick(const QPoint& at) {
        XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
        XSync(m_display, False);
        QTest::qWait(40);
        XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
        XSync(m_display, False);
        QTest::qWait(40);
        XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
        XSync(m_display, False);
    }

    // The top-left corner on the screen of a mapped window titled `title`.
    std::optional<QPoint> windowTitled(const QString& title) {
        std::optional<QPoint> found;
        visit(DefaultRootWindow(m_display), title, found, 0);
        return found;
    }

private:
    void visit(Window window, const QString& title, std::optional<QPoint>& found, int depth) {
        if (found || depth > 3)
            return;
        XWindowAttributes attributes{};
        char* name = nullptr;
        if (window != DefaultRootWindow(m_display) && XGetWindowAttributes(m_display, window, &attributes)
            && attributes.map_state == IsViewable && XFetchName(m_display, window, &name) && name) {
            const bool match = QString::fromUtf8(name) == title;
            XFree(name);
            if (match) {
                int x = 0, y = 0;
                Window child = 0;
                XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
                found = QPoint(x, y);
                return;
            }
        }
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, window, &root, &parent, &children, &count))
            return;
        for (unsigned int i = 0; i < count; ++i)
            visit(children[i], title, found, depth + 1);
        if (children)
            XFree(children);
    }

    Display* m_display;
};

bool speechServerAnswers() {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 50061);
    return socket.waitForConnected(300);
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(OnboardingDesktopTest, AFirstRunWalksEveryStepAndTheNextLaunchSkipsIt) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(50061);
    XClient screen;
    ASSERT_TRUE(screen.isOpen());

    ProgramHome home(R"({"openWindowAtLaunch":false})");
    QProcessEnvironment environment = home.environment(engine);
    const QString settings = home.file(QStringLiteral(".config/Quorvane/defaults.json"));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(QStringLiteral(QUORVANE_BINARY), {});
    ASSERT_TRUE(first.waitForStarted(10000));
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

    // Continue through the other steps, then "Start using Quorvane".
    int presses = 3;
    while (screen.windowTitled(kOnboardingTitle) && presses < 10) {
        screen.leftClick(*window + kPrimaryButton);
        ++presses;
        QTest::qWait(400);
    }
    EXPECT_FALSE(screen.windowTitled(kOnboardingTitle)) << "onboarding never finished";
    EXPECT_GE(presses, 6) << "welcome, speaking, reading, engine, permissions and first words";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QJsonDocument::fromJson(readAll(settings).toUtf8())[QStringLiteral("onboardingDone")].toBool(); },
        5000))
        << readAll(settings).toStdString();
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(15000));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(QStringLiteral(QUORVANE_BINARY), {});
    ASSERT_TRUE(second.waitForStarted(10000));
    EXPECT_TRUE(QTest::qWaitFor([] { return speechServerAnswers(); }, 60000)) << "the next launch starts normally";
    EXPECT_FALSE(screen.windowTitled(kOnboardingTitle)) << "and skips onboarding";
    second.terminate();
    EXPECT_TRUE(second.waitForFinished(15000));
}

} // namespace
