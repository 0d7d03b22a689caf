// The message boxes that put questions to the user: how each way of closing
// one answers, and that none of them can hold up a quit.
#include "looks/Alert.h"
#include "support/Artifacts.h"
#include "support/RenderCheck.h"
#include "support/ScopedLook.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

class AlertTest : public ::testing::Test {
protected:
    void show(Alert alert) {
        messageBoxPresenter()(alert, [this](int button) { answers.append(button); });
        ASSERT_TRUE(QTest::qWaitFor([] { return box() != nullptr; }, 5000));
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

// The messages of one logging category while it lives.
class LogCapture {
public:
    explicit LogCapture(const char* category) : m_category(category) {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList messages;

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (s_current && context.category && QByteArray(context.category) == s_current->m_category)
            s_current->messages.append(message);
    }
    static inline LogCapture* s_current = nullptr;
    QByteArray m_category;
    QtMessageHandler m_previous = nullptr;
};

TEST_F(AlertTest, TextFromOutsideIsShownAsItIs) {
    Alert alert = trustQuestion();
    alert.title = QStringLiteral("Notes from <a href=\"http://example.invalid/\">Tap to verify this phone</a>");
    alert.text = QStringLiteral("<font size=6 color=red>Update notes</font>");
    show(alert);
    const QList<QLabel*> labels = box()->findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* label : labels) {
        texts.append(label->text());
        EXPECT_EQ(label->textFormat(), Qt::PlainText)
            << label->objectName().toStdString() << ": " << label->text().toStdString();
        EXPECT_FALSE(label->openExternalLinks()) << label->objectName().toStdString();
    }
    EXPECT_TRUE(texts.contains(alert.title)) << "the title is shown as written";
    EXPECT_TRUE(texts.contains(alert.text)) << "the text is shown as written";
}

TEST_F(AlertTest, AHugeTextIsCutToTwentyLinesAndGoesWholeToTheLog) {
    // What a swap that ran out of disk space prints: one line per file.
    QString detail;
    for (int i = 0; i < 20000; ++i)
        detail +=
            QStringLiteral("cp: cannot create regular file '/opt/quorvane/lib/file-%1.so': No space left on device\n")
                .arg(i);
    Alert alert = trustQuestion();
    alert.text = detail;
    LogCapture log("quorvane.looks");
    show(alert);
    QLabel* shown = nullptr;
    for (QLabel* label : box()->findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("cp: ")))
            shown = label;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text().toStdString(),
              (detail.section(QLatin1Char('\n'), 0, kAlertMaxLines - 1) + QChar(0x2026)).toStdString());
    EXPECT_LT(box()->height(), 800) << "the question fits on a screen";
    ASSERT_EQ(log.messages.size(), 1);
    EXPECT_TRUE(log.messages[0].endsWith(detail)) << "the whole text is logged";
}

TEST(AlertText, IsBoundedByLinesAndCharactersAndNeverSplitsACharacter) {
    const QString line = QStringLiteral("a line\n");
    EXPECT_EQ(boundedAlertText(line.repeated(19) + QStringLiteral("last")), line.repeated(19) + QStringLiteral("last"));
    EXPECT_EQ(boundedAlertText(line.repeated(20) + QStringLiteral("one more")),
              line.repeated(19) + QStringLiteral("a line\u2026"));
    EXPECT_EQ(boundedAlertText(line.repeated(20)), line.repeated(20)) << "a closing line break is no 21st line";

    const QString longest(kAlertMaxCharacters, QLatin1Char('x'));
    EXPECT_EQ(boundedAlertText(longest), longest);
    EXPECT_EQ(boundedAlertText(longest + QLatin1Char('y')), longest + QChar(0x2026));
    // An emoji whose two halves straddle the limit is left out whole.
    const QString straddling =
        QString(kAlertMaxCharacters - 1, QLatin1Char('x')) + QStringLiteral("\U0001F600 and more");
    EXPECT_EQ(boundedAlertText(straddling), QString(kAlertMaxCharacters - 1, QLatin1Char('x')) + QChar(0x2026));
    EXPECT_EQ(boundedAlertText(QString()), QString());
}

TEST_F(AlertTest, TheBoxReadsInBothLooks) {
    for (const bool dark : {false, true}) {
        const ScopedLook look(dark);
        Alert alert = trustQuestion();
        alert.style = Alert::Style::Warning;
        alert.text =
            QStringLiteral("Three notes arrived from a phone this computer has not seen before. Are they yours?");
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
