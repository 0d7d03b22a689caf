// Removing the real program from its General page on a real X server, as a
// user does: the sidebar row clicked, the button and the confirmation pressed.
// Once confirmed, everything it wrote goes, it quits cleanly, and nothing it
// writes on its way out (the main window's frame, the settings) comes back.
#include "support/ProgramAccessTree.h" // before Qt: GLib headers use the name "signals"

#include "support/PortLock.h"
#include "support/ProgramRun.h"
#include "support/QtPrinting.h"
#include "support/TestEngine.h"
#include "support/XClient.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using namespace std::chrono_literals;

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

using ProgramAccessTree::text;

// The program's widgets as a screen reader reaches them over AT-SPI, read
// afresh on every call, since pages and message boxes come and go.
class ProgramWidgets {
public:
    explicit ProgramWidgets(qint64 pid) : m_pid(pid) { atspi_init(); }

    // The middle on screen of the showing element named `name` with `role`.
    std::optional<QPoint> centreOf(const QString& name, AtspiRole role) {
        std::optional<QPoint> centre;
        visit([&](AtspiAccessible* element) {
            if (!matches(element, name, role))
                return false;
            AtspiComponent* component = atspi_accessible_get_component_iface(element);
            if (!component)
                return false;
            if (AtspiRect* box = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr)) {
                centre = QPoint(box->x + box->width / 2, box->y + box->height / 2);
                g_free(box);
            }
            g_object_unref(component);
            return centre.has_value();
        });
        return centre;
    }

    // Presses the showing push button named `name` with its AT-SPI action;
    // false when there is none.
    bool press(const QString& name) {
        return visit([&](AtspiAccessible* element) {
            if (!matches(element, name, ATSPI_ROLE_PUSH_BUTTON))
                return false;
            AtspiAction* actions = atspi_accessible_get_action_iface(element);
            if (!actions)
                return false;
            bool pressed = false;
            const int count = atspi_action_get_n_actions(actions, nullptr);
            for (int a = 0; a < count && !pressed; ++a) {
                if (text(atspi_action_get_action_name(actions, a, nullptr))
                        .compare(QLatin1String("press"), Qt::CaseInsensitive)
                    == 0)
                    pressed = atspi_action_do_action(actions, a, nullptr);
            }
            g_object_unref(actions);
            return pressed;
        });
    }

private:
    static bool matches(AtspiAccessible* element, const QString& name, AtspiRole role) {
        if (atspi_accessible_get_role(element, nullptr) != role
            || text(atspi_accessible_get_name(element, nullptr)) != name)
            return false;
        return ProgramAccessTree::has(element, ATSPI_STATE_SHOWING);
    }

    bool visit(const std::function<bool(AtspiAccessible*)>& match) { return ProgramAccessTree::any(m_pid, match); }

    qint64 m_pid;
};

// What the program wrote under `home` that is still there.
QStringList leftBehind(const ProgramHome& home) {
    QStringList left;
    for (const char* folder :
         {".config/Quorvane", ".local/share/Quorvane", ".local/share/Quorvane Native", ".cache/Quorvane"}) {
        if (QFileInfo::exists(home.file(QString::fromUtf8(folder))))
            left << QString::fromUtf8(folder);
    }
    for (const QString& log : QDir(home.file(QStringLiteral(".local/state"))).entryList({QStringLiteral("Quorvane*")}))
        left << QStringLiteral(".local/state/") + log;
    return left;
}

TEST(UninstallDesktopTest, RemovingFromTheGeneralPageLeavesNothingBehindAndQuitsCleanly) {
    if (!underHarness())
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(50061);
    XClient mouse;
    ASSERT_TRUE(mouse.isOpen());

    // The main window open, the phone link listening, and something of the user's.
    ProgramHome home(R"({"onboardingDone":true,"openWindowAtLaunch":true,"phoneLinkEnabled":true})");
    home.write(QStringLiteral(".local/share/Quorvane Native/history.json"), "[]");
    QProcess program;
    ASSERT_TRUE(startProgram(program, home, engine));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return mouse.windowTitled(QStringLiteral("Quorvane\u2122")).has_value(); }, 15000))
        << "the main window did not open at launch";

    ProgramWidgets widgets(program.processId());
    std::optional<QPoint> general;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (general = widgets.centreOf(QStringLiteral("General"), ATSPI_ROLE_LIST_ITEM)).has_value(); },
        10000))
        << "no General row in the sidebar";
    mouse.leftClick(*general);
    // The button sits at the foot of the page, below what the window shows:
    // pressed as a screen reader presses it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return widgets.press(QStringLiteral("Remove Quorvane and Everything It Downloaded\u2026")); }, 10000))
        << "the General page's remove button was not found";
    ASSERT_TRUE(QTest::qWaitFor([&] { return widgets.press(QStringLiteral("Remove Everything")); }, 10000))
        << "no confirmation to press";

    EXPECT_TRUE(finishes(program, 15s)) << "the program did not quit cleanly after the removal";
    EXPECT_EQ(leftBehind(home), QStringList()) << "written again, or never removed";
}

} // namespace
