// The real program under the desktop harness: started with an engine folder
// and a home of its own on a desktop whose accessibility is still off, it
// dictates into another application when its hotkey is pressed twice, and a
// quit right after the paste, before a slow target has taken the text, still
// gives it the dictation and leaves the user's clipboard and no engine behind.
#include "dictation_e2e/DictationTarget.h"
#include "engine/MlxServer.h"
#include "insertion/AXText.h"
#include "support/AccessibilityFlag.h"
#include "support/Await.h"
#include "support/ClipboardManager.h"
#include "support/EngineDesktopTest.h"
#include "support/EngineWait.h"
#include "support/MicrophoneFeed.h"
#include "support/ProgramRun.h"
#include "support/XTestKeyboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

namespace {

class ProgramDictationTest : public EngineDesktopTest {};

// Control-Alt-D, the default dictation hotkey.
void pressDictationHotkey(XTestKeyboard& keyboard) {
    keyboard.press("Control_L");
    keyboard.press("Alt_L");
    keyboard.tap("d");
    keyboard.release("Alt_L");
    keyboard.release("Control_L");
}

TEST_F(ProgramDictationTest,
       OnAFreshDesktopTheHotkeyDictatesAndAQuitBeforeASlowTargetPastesKeepsTheTextAndTheClipboard) {
    // Only the program's own engine may answer.
    MlxServer::shared().stop();
    ASSERT_TRUE(waitForEngine(false));
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());

    // Double-taps stay on: with translation ready, Left Control is the
    // translate tap key, and the Control of the stop chord must not count.
    // The dictation borrows the clipboard and puts the user's back.
    ProgramHome home(
        R"({"onboardingDone":true,"openWindowAtLaunch":false,"endWithPeriod":true,"keepDictationOnClipboard":false})");
    // The session's clipboard manager holds what the user copied last.
    const QString earlier = QStringLiteral("Grüße: the user's own copied words");
    ClipboardManager clipboard(earlier.toUtf8());
    ASSERT_TRUE(clipboard.isRunning()) << "another client holds the clipboard manager's selection";
    const QByteArray speech = MicrophoneFeed::spokenPcm(
        home, QStringLiteral("please schedule a meeting with the marketing team for next tuesday afternoon"),
        QStringLiteral("awb"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    QProcess program;
    ASSERT_TRUE(chordsAreFree(keyboard, {"d", "r", "v"}));
    ASSERT_TRUE(startProgram(program, home, engine));

    // The program starts the engine at launch.
    ASSERT_TRUE(waitForEngine(true, 90000)) << "the program's speech server did not answer";

    // A busy application: it asks for the pasted text only after the quit.
    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.focusLine());
    ASSERT_TRUE(target.ask(QStringLiteral("slow paste 1500"), QStringLiteral("slow")));

    // A fresh desktop: accessibility has never been switched on. The first
    // dictation still pastes, and switches it on for reading the caret's text.
    const AccessibilityFlag::Scoped freshDesktop(false);
    ASSERT_FALSE(AccessibilityFlag::isOn());

    // The program binds its keys once its launch has run; until then a press
    // goes unheard, so it is repeated until the take has started.
    const auto started = [&] {
        return home.read(QStringLiteral(".local/share/Quorvane/bubble-trace.log")).contains("start  device=");
    };
    for (int attempt = 0; attempt < 10 && !started(); ++attempt) {
        pressDictationHotkey(keyboard);
        (void)QTest::qWaitFor(started, 2000);
    }
    ASSERT_TRUE(started()) << "the hotkey did not start a dictation";
    {
        MicrophoneFeed feed;
        const auto until = std::chrono::steady_clock::now()
                           + std::chrono::milliseconds(speech.size() / 32 + 800); // the speech and some silence
        feed.feed(speech, [until] { return std::chrono::steady_clock::now() >= until; });
        QTest::qWait(int(speech.size() / 32 + 1000));
    }
    pressDictationHotkey(keyboard);

    // The paste takes the clipboard; half a second later the session ends
    // (a terminate signal runs the menu's quit), before the target has taken
    // the text.
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard.firstTakenAt().has_value(); }, 30000))
        << "the program never took the clipboard to paste\ntrace:\n"
        << home.read(QStringLiteral(".local/share/Quorvane/bubble-trace.log")).toStdString();
    const auto quitAt = *clipboard.firstTakenAt() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < quitAt)
        QTest::qWait(5);
    const qint64 programPid = program.processId();
    program.terminate();
    const auto quitAsked = std::chrono::steady_clock::now();

    QString typed;
    const bool landed = QTest::qWaitFor(
        [&] {
            typed = AXText::textBeforeCaret(500).value_or(QString());
            return typed.endsWith(QLatin1Char('.'));
        },
        30000);
    EXPECT_TRUE(landed) << "typed: " << typed.toStdString() << "\ntrace:\n"
                        << home.read(QStringLiteral(".local/share/Quorvane/bubble-trace.log")).toStdString();
    EXPECT_TRUE(typed.contains(QStringLiteral("meeting")) && typed.contains(QStringLiteral("marketing")))
        << typed.toStdString();
    EXPECT_TRUE(AccessibilityFlag::isOn());

    ASSERT_TRUE(finishes(program, std::chrono::seconds(15)));
    std::cerr
        << "the quit took "
        << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - quitAsked).count()
        << " ms\n";
    EXPECT_TRUE(waitForEngine(false)) << "an engine still answers after the program " << programPid << " quit";
    // What the program owned as it left went to the clipboard manager: the
    // user's text, put back before the exit, not the dictation.
    EXPECT_EQ(clipboard.handovers(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), earlier);
    // The X server drops the program's key grabs with its connection, a moment
    // after it exited; the tests after this one bind the same keys.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keyboard.controlAltHeld("d"); }, 5000));
}

} // namespace
