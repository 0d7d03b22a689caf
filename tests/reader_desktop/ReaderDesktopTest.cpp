// Reading aloud on a real desktop: the program reads the sentence selected in
// another application on its reader key and leaves that application's
// clipboard as it was; German text goes to the desktop's own synthesizer.
#include "app/QuorvaneApp.h"
#include "dictation/FrontmostApp.h"
#include "dictation_e2e/DictationTarget.h"
#include "engine/MlxServer.h"
#include "insertion/AXText.h"
#include "platform/linux/LinuxPlatform.h"
#include "reader/ReaderController.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/EngineDesktopTest.h"
#include "support/EngineWait.h"
#include "support/ProgramRun.h"
#include "support/SpeakerMonitor.h"
#include "support/TestEngine.h"
#include "support/XTestKeyboard.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class ReaderDesktopTest : public EngineDesktopTest {};

const QString kFox = QStringLiteral("The quick brown fox jumps over the lazy dog.");

void pressReaderKey(XTestKeyboard& keyboard) {
    keyboard.press("Control_L");
    keyboard.press("Alt_L");
    keyboard.tap("r");
    keyboard.release("Alt_L");
    keyboard.release("Control_L");
}

TEST_F(ReaderDesktopTest, TheReaderKeyReadsTheSelectedSentenceAloudAndKeepsTheClipboard) {
    MlxServer::shared().stop();
    ASSERT_TRUE(waitForEngine(false));
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());

    ProgramHome home(R"({"onboardingDone":true,"openWindowAtLaunch":false})");
    QProcess program;
    ASSERT_TRUE(chordsAreFree(keyboard, {"d", "r", "v"}));
    ASSERT_TRUE(startProgram(program, home, engine));

    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.ask(QStringLiteral("focus line"), QStringLiteral("focused")));
    ASSERT_TRUE(target.ask(QStringLiteral("type ") + kFox, QStringLiteral("typed")));
    ASSERT_TRUE(target.ask(QStringLiteral("copy what the user copied"), QStringLiteral("copied")));
    const std::optional<QString> clipboardBefore = target.ask(QStringLiteral("clipboard"), QStringLiteral("clipboard"));
    ASSERT_TRUE(clipboardBefore && clipboardBefore->contains(QStringLiteral("image")))
        << clipboardBefore.value_or(QString()).toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<FrontmostApp> front = FrontmostApp::current();
            return front && front->pid == target.pid() && AXText::focusedElement();
        },
        10000));
    keyboard.press("Control_L");
    keyboard.tap("a");
    keyboard.release("Control_L");
    ASSERT_TRUE(QTest::qWaitFor([] { return AXText::selectedText() == kFox; }, 5000));

    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    // The program binds its keys once its launch has run: then nobody else
    // can grab the reader key. A second press would stop the reading, so the
    // key is pressed once; the reading starts when the engine answers.
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard.controlAltHeld("r"); }, 90000))
        << "the program did not bind its reader key";
    pressReaderKey(keyboard);
    const auto reading = [&] {
        return home.read(QStringLiteral(".local/share/Quorvane/bubble-trace.log"))
            .contains("reader voice override=none");
    };
    ASSERT_TRUE(QTest::qWaitFor(reading, 90000))
        << "the reader key did not start a reading; engine log:\n"
        << home.read(QStringLiteral(".local/share/Quorvane/mlx-server-logs/engine.log")).toStdString();
    // The sentence takes about 3 s; wait for it and the silence after it. The
    // gaps between words fall below the voiced threshold: about 1.4 s is voiced.
    QTest::qWait(7000);
    const QByteArray heard = speaker.stop();
    const double voiced = SpeakerMonitor::voicedSeconds(heard);
    EXPECT_GE(voiced, 1.0) << "recorded " << heard.size() / 2.0 / SpeakerMonitor::kRate << " s; trace:\n"
                           << home.read(QStringLiteral(".local/share/Quorvane/bubble-trace.log")).toStdString();
    EXPECT_LE(voiced, 5.0);
    EXPECT_TRUE(home.read(QStringLiteral(".local/share/Quorvane/bubble-trace.log")).contains("chosen=af_heart"));

    const std::optional<QString> clipboardAfter = target.ask(QStringLiteral("clipboard"), QStringLiteral("clipboard"));
    EXPECT_EQ(clipboardAfter, clipboardBefore);

    ASSERT_TRUE(endProgram(program));
    EXPECT_TRUE(waitForEngine(false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keyboard.controlAltHeld("r"); }, 5000));
}

TEST_F(ReaderDesktopTest, TheTrayRowReadsTheSelectionAloud) {
    useTestEngineHere();

    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.ask(QStringLiteral("focus line"), QStringLiteral("focused")));
    ASSERT_TRUE(target.ask(QStringLiteral("type ") + kFox, QStringLiteral("typed")));
    ASSERT_TRUE(target.ask(QStringLiteral("copy what the user copied"), QStringLiteral("copied")));
    ASSERT_TRUE(target.ask(QStringLiteral("selectall"), QStringLiteral("selected")));
    const std::optional<QString> clipboardBefore = target.ask(QStringLiteral("clipboard"), QStringLiteral("clipboard"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<FrontmostApp> front = FrontmostApp::current();
            return front && front->pid == target.pid() && AXText::selectedText() == kFox;
        },
        10000));

    AppState state;
    ReaderController::Services services = ReaderController::Services::standard();
    QStringList traces;
    services.trace = [&](const QString& line) { traces << line; };
    ReaderController reader(state, services);
    AppActions actions;
    actions.readSelection = [&reader] { (void)reader.readSelection(); };
    actions.readerIsReading = [&reader] { return reader.isReading(); };
    QuorvaneApp tray(actions, state);
    tray.show();
    QAction* row = nullptr;
    for (QAction* action : tray.menu()->actions())
        if (action->text() == QLatin1String("Read Selection"))
            row = action;
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(row->isEnabled());

    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    QTest::qWait(200);
    row->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader.isReading(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reader.isReading(); }, 90000));
    QTest::qWait(500);
    const double voiced = SpeakerMonitor::voicedSeconds(speaker.stop());
    EXPECT_GE(voiced, 1.0);
    EXPECT_LE(voiced, 5.0);
    EXPECT_TRUE(state.flashMessage().isEmpty()) << state.flashMessage().toStdString();
    ASSERT_FALSE(traces.isEmpty());
    EXPECT_TRUE(traces.first().contains(QStringLiteral("chosen=af_heart")));
    EXPECT_EQ(target.ask(QStringLiteral("clipboard"), QStringLiteral("clipboard")), clipboardBefore);
    MlxServer::shared().stop();
}

// speech-dispatcher starts itself for the first client and keeps running; the
// test stops the one it caused, by the process id it records. A stopped
// daemon leaves its socket behind, and the next program to speak would wait on
// it, so the socket and the pid file go too.
void stopSpeechDispatcher() {
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/speech-dispatcher");
    QFile pidFile(folder + QStringLiteral("/pid/speech-dispatcher.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const qint64 pid = pidFile.readAll().trimmed().toLongLong();
    if (pid > 1)
        ::kill(pid_t(pid), SIGTERM);
    QTest::qWait(500);
    QFile::remove(folder + QStringLiteral("/speechd.sock"));
    QFile::remove(pidFile.fileName());
}

TEST(SystemVoiceDesktopTest, GermanTextIsSpokenByTheDesktopSynthesizer) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());
    AppState state;
    ReaderController::Services services;
    services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
    services.server = QUrl(QStringLiteral("http://127.0.0.1:9"));
    services.selectedVoice = [] { return QStringLiteral("af_heart"); };
    QStringList traces;
    services.trace = [&](const QString& line) { traces << line; };
    {
        ReaderController reader(state, services);
        SpeakerMonitor speaker;
        ASSERT_TRUE(speaker.started());
        const QFuture<void> reading = reader.speak(
            QStringLiteral("Der schnelle braune Fuchs springt über den faulen Hund, und alle Kinder lachen darüber."));
        EXPECT_TRUE(awaitFuture(reading, 30000));
        QTest::qWait(500);
        const QByteArray heard = speaker.stop();
        EXPECT_GE(SpeakerMonitor::voicedSeconds(heard), 1.0);
        ASSERT_FALSE(traces.isEmpty());
        EXPECT_TRUE(traces.last().startsWith(QStringLiteral("reader system voice lang=de voice=de")))
            << traces.last().toStdString();
        EXPECT_TRUE(state.flashMessage().isEmpty()) << state.flashMessage().toStdString();
    }
    stopSpeechDispatcher();
    Platform::install(previous);
}

} // namespace
