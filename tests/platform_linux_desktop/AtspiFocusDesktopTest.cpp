// The focused element of a big application in another process, as
// AtspiAccessibility finds it over the real accessibility bus: once the focus
// has moved, the answer comes from the toolkit's focus event, not from a walk
// over the application's thousands of elements on the GUI thread; before, the
// walk goes on in slices.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/EwmhWorkspace.h"

#include "BigForm.h"
#include "FocusGains.h"

#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

class AtspiFocusDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        // 0: connected now, 1: connected before.
        ASSERT_LE(atspi_init(), 1);
        gains = std::make_unique<FocusGains>();
        ASSERT_TRUE(gains->registered());
    }

    // The name of the element `accessibility` says has the focus; empty for none.
    static QString focusedName(AtspiAccessibility& accessibility) {
        const std::shared_ptr<AccessibleElement> focused = accessibility.focusedElement();
        return focused ? focused->name().value_or(QStringLiteral("(no name)")) : QString();
    }

    // Moves the target's focus to `field` and waits until the gain is heard.
    bool moveFocus(BigForm::Window& target, const QString& field) {
        const int before = gains->count();
        return target.ask(QStringLiteral("focus ") + field, QStringLiteral("focused"))
               && QTest::qWaitFor([&] { return gains->count() > before; }, 10000);
    }

    EwmhWorkspace workspace;
    std::unique_ptr<FocusGains> gains;
};

TEST_F(AtspiFocusDesktopTest, AFocusMovedInABigApplicationIsAnsweredFromItsEventWithoutAWalk) {
    auto accessibility = std::make_unique<AtspiAccessibility>(&workspace);
    BigForm::Window target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.ask(QStringLiteral("focus first"), QStringLiteral("focused")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<Workspace::Application> front = workspace.frontmostApplication();
            return front && front->pid == target.pid() && focusedName(*accessibility) == BigForm::kFirst;
        },
        20000));
    const std::shared_ptr<AccessibleElement> first = accessibility->focusedElement();
    ASSERT_TRUE(first);

    const quint64 walked = accessibility->elementsWalked();
    for (const QString& field : {BigForm::kDeep, BigForm::kFirst, BigForm::kDeep}) {
        ASSERT_TRUE(moveFocus(target, field)) << qPrintable(field);
        EXPECT_EQ(focusedName(*accessibility), field);
        EXPECT_EQ(accessibility->elementsWalked(), walked) << "walked to find " << qPrintable(field);
    }
    // Asked again with nothing new heard: the same element, with one question.
    EXPECT_EQ(focusedName(*accessibility), BigForm::kDeep);
    EXPECT_EQ(accessibility->elementsWalked(), walked);

    // An element handed out before the focus moved away still reads, also
    // once the object that handed it out is gone.
    accessibility.reset();
    EXPECT_EQ(first->name(), BigForm::kFirst);
    EXPECT_EQ(first->role(), AccessibleRole::TextField);
}

// Nothing is heard before the first question: that one starts a walk, which
// goes on in slices between turns of the event loop, so that the question
// (a dictation's start asks it) is not held up for the whole window; a later
// question gets the field at the bottom of the window, found within the budget.
TEST_F(AtspiFocusDesktopTest, TheFirstQuestionWalksInSlicesAndALaterOneFindsTheDeepField) {
    BigForm::Window target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(moveFocus(target, BigForm::kDeep));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<Workspace::Application> front = workspace.frontmostApplication();
            return front && front->pid == target.pid();
        },
        20000));
    const quint64 deepDown = quint64(BigForm::kPanels * BigForm::kLabelsPerPanel);
    AtspiAccessibility accessibility(&workspace);
    EXPECT_EQ(focusedName(accessibility), QString()) << "the first question waited for the whole walk";
    EXPECT_LT(accessibility.elementsWalked(), deepDown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focusedName(accessibility) == BigForm::kDeep; }, 20000));
    EXPECT_GT(accessibility.elementsWalked(), deepDown);
}

} // namespace
