// The message boxes that put questions to the user: how each way of closing
// one answers, and that none of them can hold up a quit.
#include "looks/Alert.h"
#include "support/Artifacts.h"
#include "support/RenderCheck.h"
#include "support/ScopedLook.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

class AlertTest : public ::testing::Test {
protected:
    void show(Alert alert) {
        messageBoxPresenter()(alert, [this](int button) { answers.append(button); });
        ASSERT_TRUE(QTest::qWaitFor([this] { return box() != nullptr; }, 5000));
    }

    static QMessageBox* box() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QMessageBox*>(window); found && found->isVisible())
                return found;
        }
        return nullptr;
    }

    static Alert trustQuestion() {
        Alert alert;
        alert.title = QStringLiteral("Notes from <b>a phone</b>");
        alert.buttons = {QStringLiteral("Add and remember"), QStringLiteral("Add just this once"),
                         QStringLiteral("Discard")};
        return alert;
    }

    void TearDown() override {
        dismissOpenAlerts();
        QTest::qWait(0);
    }

    QList<int> answers;
};

TEST_F(AlertTest, EscapeAndTheCloseButtonGiveTheCancelAnswer) {
    show(trustQuestion());
    QTest::keyClick(box(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !answers.isEmpty(); }, 5000));
    EXPECT_EQ(answers, QList<int>{2}) << "the last button cancels";

    Alert named = trustQuestion();
    named.cancelButton = 1;
    show(named);
    EXPECT_TRUE(box()->close()) << "a question must not refuse to close";
    ASSERT_TRUE(QTest::qWaitFor([this] { return answers.size() == 2; }, 5000));
    EXPECT_EQ(answers.last(), 1);
}

TEST_F(AlertTest, AQuitDismissesOpenQuestionsUnanswered) {
    show(trustQuestion());
    show(trustQuestion());
    dismissOpenAlerts();
    ASSERT_TRUE(QTest::qWaitFor([this] { return answers.size() == 2; }, 5000));
    EXPECT_EQ(answers, (QList<int>{-1, -1}));
    EXPECT_EQ(box(), nullptr);
}

TEST_F(AlertTest, TextFromOutsideIsShownAsItIs) {
    show(trustQuestion());
    EXPECT_EQ(box()->textFormat(), Qt::PlainText) << "a device name could carry markup";
}

TEST_F(AlertTest, TheBoxReadsInBothLooks) {
    for (const bool dark : {false, true}) {
        const ScopedLook look(dark);
        Alert alert = trustQuestion();
        alert.style = Alert::Style::Warning;
        alert.text = QStringLiteral("Three notes arrived from a phone this computer has not seen before. Are they yours?");
        show(alert);
        QApplication::processEvents();
        const QString name = dark ? QStringLiteral("alert-dark") : QStringLiteral("alert-light");
        Artifacts::save(box()->grab().toImage(), name + QStringLiteral(".png"));
        RenderCheck::expectReadable(*box(), name);
        dismissOpenAlerts();
        ASSERT_TRUE(QTest::qWaitFor([] { return box() == nullptr; }, 5000));
    }
}

} // namespace
