// The roads that end the program themselves (an update about to relaunch, the
// removal) quit as the menu does: a question still open, such as the one about
// notes from an unknown phone, goes away unanswered instead of being closed on
// its last button ("Discard") as the program's windows go.
#include "app/ProgramQuit.h"
#include "install/Uninstaller.h"
#include "install/UpdateCheck.h"
#include "looks/Alert.h"
#include "state/AppActions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPromise>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

// Closes what is still open, as the end of the program does with its windows.
void closeOpenWindows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(window) && window->isVisible())
            window->close();
    QTest::qWait(20);
}

TEST(ProgramQuitTest, TheUpdatesAndTheRemovalsQuitLeaveAnOpenQuestionUnanswered) {
    // The program's quit, as its root joins it to the action table.
    AppActions::shared().quit = quitProgram;
    const QList<std::pair<const char*, std::function<void()>>> quits = {
        {"update", UpdateCheck::standardSettings().quit},
        {"removal", Uninstaller::standardServices().quit},
    };
    for (const auto& [road, quit] : quits) {
        SCOPED_TRACE(road);
        ASSERT_TRUE(quit);
        Alert question;
        question.title = QStringLiteral("Notes from Robin's phone");
        question.buttons = {QStringLiteral("Add just this once"), QStringLiteral("Discard")};
        std::optional<int> answer;
        messageBoxPresenter()(question, [&](int button) { answer = button; });
        QTest::qWait(20);
        ASSERT_FALSE(answer);

        quit();
        QTest::qWait(20);
        closeOpenWindows();
        EXPECT_EQ(answer, -1) << "the question was answered with button " << answer.value_or(-2);
    }
    AppActions::shared().quit = nullptr;
}

// The shutdown's wait for the speech server's process happens while the
// event loop turns: the loop ends once the preparation has finished, and a
// second quit meanwhile prepares nothing again.
TEST(ProgramQuitTest, TheLoopEndsOnceTheShutdownsPreparationHasFinished) {
    QPromise<void> serverGone;
    serverGone.start();
    int preparations = 0;
    int ends = 0;
    QuitPreparation preparation(
        [&] {
            ++preparations;
            return serverGone.future();
        },
        [&] { ++ends; });
    quitProgram();
    bool turned = false;
    QTimer::singleShot(0, [&] { turned = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return turned; }, 1000)) << "the event loop stopped turning";
    quitProgram();
    EXPECT_EQ(preparations, 1);
    EXPECT_EQ(ends, 0);
    serverGone.finish();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ends == 1; }, 1000));
    QTest::qWait(20);
    EXPECT_EQ(ends, 1);
}

} // namespace
