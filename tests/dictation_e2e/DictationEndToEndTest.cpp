// One dictation through the real road: the speech engine's stand-in on its
// port, the harness's FIFO microphone, the cleanup rules, AT-SPI and a paste
// through the clipboard and XTest into a text field of another process; and a
// Return typed at the keyboard while the engine works, held until the words
// have landed, or given to the field alone when none come.
#include "audio/Recorder.h"
#include "dictation/BubblePanel.h"
#include "dictation/DictationController.h"
#include "dictation_e2e/DictationTarget.h"
#include "insertion/AXText.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/DictationStores.h"
#include "support/EngineDesktopTest.h"
#include "support/EngineWait.h"
#include "support/LineLog.h"
#include "support/MicrophoneFeed.h"
#include "support/Paths.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"
#include "support/XTestKeyboard.h"

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
    DictationStores stores;
    DictationController controller(AppState::shared(), Defaults::shared(), recorder, stores.services());
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

TEST_F(DictationEndToEndTest, AReturnPressedWhileThinkingArrivesOnceAfterTheWordsOrAloneWhenNoneCome) {
    useTestEngineHere();
    TempFolder folder;
    const QByteArray speech = MicrophoneFeed::spokenPcm(folder, kSentence, QStringLiteral("awb"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    ASSERT_TRUE(startEngineHere()) << "the speech engine did not start";
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());

    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.ask(QStringLiteral("focus area"), QStringLiteral("focused")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return target.isFocusedInFront(); }, 10000));

    Defaults::shared().set(QStringLiteral("endWithPeriod"), true);
    Defaults::shared().set(QStringLiteral("holdEarlyReturn"), true);
    AppState& state = AppState::shared();
    BubblePanel bubble(state, Defaults::shared(), BubblePanel::Desktop::standard());
    Recorder recorder;
    DictationStores stores;
    DictationController controller(state, Defaults::shared(), recorder, stores.services(), DictationPeers{&bubble});
    controller.toggle();
    ASSERT_TRUE(state.isRecording());
    const qsizetype wanted = speech.size() / 2 + 8000;
    ASSERT_TRUE(MicrophoneFeed::speak(speech, [&] { return recorder.sampleCount() >= wanted; }));
    QFuture<void> road = controller.toggle();
    // The user sends the message the moment the speaking is done.
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.bubbleMode() == BubbleMode::Thinking || road.isFinished(); }, 5000));
    ASSERT_FALSE(road.isFinished()) << "the engine answered before the Return could be pressed";
    keyboard.tap("Return");
    ASSERT_TRUE(awaitFuture(road, 30000));

    QString typed;
    (void)QTest::qWaitFor(
        [&] {
            typed = AXText::textBeforeCaret(500).value_or(QString());
            return typed.count(QLatin1Char('\n')) > 1;
        },
        1500);
    bubble.hide();
    ASSERT_FALSE(state.finalText().isEmpty()) << "flash: " << state.flashMessage().toStdString();
    EXPECT_EQ(typed, state.finalText() + QLatin1Char('\n'));
    EXPECT_EQ(typed.count(QLatin1Char('\n')), 1) << typed.toStdString();

    // A take in which nothing is said: no words come, and the Return reaches the field alone.
    const QString before = typed;
    controller.toggle();
    ASSERT_TRUE(state.isRecording());
    const QByteArray silence(16000 * 2 * 3, '\0'); // three seconds
    ASSERT_TRUE(MicrophoneFeed::speak(silence, [&] { return recorder.sampleCount() >= 16000 * 3; }));
    road = controller.toggle();
    // Silence is transcribed at once: the Return comes as the engine answers,
    // before the program has read it.
    keyboard.tap("Return");
    ASSERT_TRUE(awaitFuture(road, 30000));
    (void)QTest::qWaitFor(
        [&] {
            typed = AXText::textBeforeCaret(500).value_or(QString());
            return typed.size() > before.size();
        },
        3000);
    bubble.hide();
    EXPECT_TRUE(state.finalText().isEmpty()) << state.finalText().toStdString();
    EXPECT_EQ(typed, before + QLatin1Char('\n')) << "flash: " << state.flashMessage().toStdString();
}

} // namespace
