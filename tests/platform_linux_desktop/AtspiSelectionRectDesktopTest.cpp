// The selection's screen rectangle read without waiting, against real
// applications in other processes: a Qt field, which counts offsets in UTF-16
// units, and a GTK one, which counts code points. What the read answers from
// the event loop is what the element's own synchronous reads give.
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/EwmhWorkspace.h"
#include "support/TargetWindow.h"

#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

bool hasGtk() {
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"), QStringLiteral("import gi; gi.require_version('Gtk', '3.0')")});
    return probe.waitForFinished(10000) && probe.exitCode() == 0;
}

class AtspiSelectionRectDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    }

    // Types into the target's line and waits until its field is the focused
    // element of the front application and reads can go over our own bus.
    std::shared_ptr<AccessibleElement> typedInto(TargetWindow::Process& target, const QString& text) {
        if (!target.ready() || !target.ask(QStringLiteral("focus line"), QStringLiteral("focused"))
            || !target.ask(QStringLiteral("type ") + text, QStringLiteral("typed")))
            return nullptr;
        std::shared_ptr<AccessibleElement> field;
        const bool seen = QTest::qWaitFor(
            [&] {
                const std::optional<Workspace::Application> front = workspace.frontmostApplication();
                field = front && front->pid == target.pid() ? accessibility.focusedElement() : nullptr;
                return field && field->textLength() == text.size();
            },
            20000);
        // Our own connection to the accessibility bus is made in the background.
        const auto read = std::make_shared<bool>(false);
        const bool connected = QTest::qWaitFor(
            [&] {
                accessibility.readSelectionRect([read](std::optional<QRect> rect) { *read = *read || rect; });
                QTest::qWait(20);
                return *read;
            },
            10000);
        return seen && connected ? field : nullptr;
    }

    // The rectangle the read answers; the answer may not come before it returns.
    std::optional<QRect> readLater() {
        const auto answer = std::make_shared<std::optional<std::optional<QRect>>>();
        accessibility.readSelectionRect([answer](std::optional<QRect> rect) { *answer = rect; });
        EXPECT_FALSE(answer->has_value()) << "the read waited for the application";
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer->has_value(); }, 5000));
        return answer->value_or(std::nullopt);
    }

    // For a caret after the first character, a selection over an astral
    // character, and the caret at the end of the text.
    void checkAgainstTheElement(AccessibleElement& field, qint64 length) {
        for (const AccessibleElement::TextRange range :
             {AccessibleElement::TextRange{1, 0}, AccessibleElement::TextRange{6, 2},
              AccessibleElement::TextRange{length, 0}}) {
            ASSERT_TRUE(field.setSelectedRange(range)) << range.location << "+" << range.length;
            ASSERT_EQ(field.selectedRange(), range);
            const std::optional<QRect> now = field.boundsForRange(range);
            ASSERT_TRUE(now && now->height() > 0) << range.location << "+" << range.length;
            EXPECT_EQ(readLater(), now) << range.location << "+" << range.length;
        }
    }

    EwmhWorkspace workspace;
    AtspiAccessibility accessibility{&workspace};
};

const QString kText = QStringLiteral("héllo \U0001F44B wörld");

TEST_F(AtspiSelectionRectDesktopTest, AQtFieldsSelectionRectIsReadWithoutWaiting) {
    TargetWindow::Process target(QCoreApplication::applicationFilePath(), {},
                                 TargetWindow::Process::environmentFor(TargetWindow::Kind::Application));
    const std::shared_ptr<AccessibleElement> field = typedInto(target, kText);
    ASSERT_TRUE(field);
    checkAgainstTheElement(*field, kText.size());
}

TEST_F(AtspiSelectionRectDesktopTest, AGtkEntrysSelectionRectIsReadInItsOwnOffsets) {
    if (!hasGtk())
        GTEST_SKIP() << "GTK 3 for Python is not installed";
    TargetWindow::Process target(QStringLiteral("/usr/bin/python3"),
                                 {QStringLiteral(QUORVANE_TEST_SOURCE "/support/gtk_target.py")},
                                 QProcessEnvironment::systemEnvironment());
    const std::shared_ptr<AccessibleElement> field = typedInto(target, kText);
    ASSERT_TRUE(field);
    checkAgainstTheElement(*field, kText.size());
}

} // namespace
