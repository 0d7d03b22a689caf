// One dictation through the real road: the speech engine's stand-in on its
// port, the harness's FIFO microphone, the cleanup rules, AT-SPI and a paste
// through the clipboard and XTest into a text field of another process.
#include "audio/Recorder.h"
#include "dictation/DictationController.h"
#include "dictation_e2e/DictationTarget.h"
#include "insertion/AXText.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/EngineDesktopTest.h"
#include "support/EngineWait.h"
#include "support/LineLog.h"
#include "support/MicrophoneFeed.h"
#include "support/Paths.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"

#include <QFile>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

class DictationEndToEndTest : public EngineDesktopTest {};

const QString kSentence =
    QStringLiteral("please schedule a meeting with the marketing team for next tuesday afternoon");

TEST_F(DictationEndToEndTest, ASpokenSentenceLandsCleanedInAnotherApplication) {
    useTestEngineHere();

    TempFolder folder;
    // Of flite's voices, "awb" is the one the stand-in recogniser hears this
    // sentence from word for word.
    const QByteArray speech = MicrophoneFeed::spokenPcm(folder, kSentence, QStringLiteral("awb"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    ASSERT_TRUE(startEngineHere()) << "the speech engine did not start";

    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.focusLine());

    // The user wants each dictation to end as a sentence.
    Defaults::shared().set(QStringLiteral("endWithPeriod"), true);
    Recorder recorder;
    DictationController controller(AppState::shared(), Defaults::shared(), recorder,
                                   DictationController::Services::shared());
    controller.toggle();
    ASSERT_TRUE(AppState::shared().isRecording());
    const qsizetype wanted = speech.size() / 2 + 8000; // the speech and half a second of silence
    ASSERT_TRUE(MicrophoneFeed::speak(speech, [&] { return recorder.sampleCount() >= wanted; }));
    ASSERT_TRUE(awaitFuture(controller.toggle(), 30000));

    QString typed;
    (void)QTest::qWaitFor(
        [&] {
            typed = AXText::textBeforeCaret(500).value_or(QString());
            return typed.endsWith(QLatin1Char('.'));
        },
        5000);
    QFile trace(Recorder::traceLog().path());
    trace.open(QIODevice::ReadOnly);
    SCOPED_TRACE("final text: " + AppState::shared().finalText().toStdString() + "; flash: "
                 + AppState::shared().flashMessage().toStdString() + "; trace:\n" + trace.readAll().toStdString());
    EXPECT_TRUE(typed.contains(QStringLiteral("meeting"))) << typed.toStdString();
    EXPECT_TRUE(typed.contains(QStringLiteral("marketing"))) << typed.toStdString();
    ASSERT_FALSE(typed.isEmpty());
    EXPECT_TRUE(typed.front().isUpper()) << typed.toStdString();
    EXPECT_TRUE(typed.endsWith(QLatin1Char('.'))) << typed.toStdString();

    HistoryStore history(Paths::userData(), Defaults::shared());
    ASSERT_FALSE(history.entries().isEmpty());
    EXPECT_EQ(history.entries().first().text, typed);
}

} // namespace
