// Translation on a real desktop: the Translate menu's "Translate One Dictation"
// types a spoken English sentence in Spanish into another application, and the
// read-translated double-tap reads an English selection aloud in Spanish.
#include "audio/Recorder.h"
#include "dictation/DictationController.h"
#include "dictation_e2e/DictationTarget.h"
#include "engine/MlxServer.h"
#include "insertion/AXText.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/DictationStores.h"
#include "support/EngineDesktopTest.h"
#include "support/EngineWait.h"
#include "support/MicrophoneFeed.h"
#include "support/Paths.h"
#include "support/ProgramRun.h"
#include "support/SpeakerMonitor.h"
#include "support/TempFolder.h"
#include "support/TestEngine.h"
#include "support/XTestKeyboard.h"
#include "translation/TranslateKeys.h"
#include "translation/TranslationMenu.h"
#include "translator/TranslationCatalog.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

class TranslationDesktopTest : public EngineDesktopTest {};

const QString kSentence =
    QStringLiteral("please schedule a meeting with the marketing team for next tuesday afternoon");
const QString kPassage =
    QStringLiteral("Please schedule a meeting with the marketing team for next Tuesday afternoon.");

TEST_F(TranslationDesktopTest, TheMenusTranslateOneDictationTypesTheSpokenSentenceInSpanish) {
    useTestEngineHere();
    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("es"));

    TempFolder folder;
    const QByteArray speech = MicrophoneFeed::spokenPcm(folder, kSentence, QStringLiteral("awb"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    ASSERT_TRUE(startEngineHere()) << "the speech engine did not start";

    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.focusLine());

    Recorder recorder;
    DictationStores stores;
    DictationController controller(AppState::shared(), Defaults::shared(), recorder, stores.services());
    TranslateKeys::Services keyServices = TranslateKeys::Services::standard();
    keyServices.toggleDictation = [&] { (void)controller.toggle(); };
    TranslateKeys keys(AppState::shared(), keyServices);
    TranslationMenu::Services menuServices = TranslationMenu::Services::standard(keys);
    QMenu tray;
    QMenu* translate = TranslationMenu::addTo(&tray, menuServices);
    emit tray.aboutToShow();
    ASSERT_TRUE(QTest::qWaitFor([] { return TranslationCatalog::shared().hasChecked(); }, 10000));
    EXPECT_EQ(translate->title(), "Translate into: Spanish");
    QAction* once = nullptr;
    for (QAction* action : translate->actions())
        if (action->text() == QLatin1String("Translate One Dictation"))
            once = action;
    ASSERT_TRUE(once);
    once->trigger();
    ASSERT_TRUE(QTest::qWaitFor([] { return AppState::shared().isRecording(); }, 5000));
    EXPECT_TRUE(AppState::shared().isTranslating());

    const qsizetype wanted = speech.size() / 2 + 8000;
    ASSERT_TRUE(MicrophoneFeed::speak(speech, [&] { return recorder.sampleCount() >= wanted; }));
    ASSERT_TRUE(awaitFuture(controller.toggle(), 60000));

    QString typed;
    (void)QTest::qWaitFor(
        [&] {
            typed = AXText::textBeforeCaret(500).value_or(QString());
            return typed.contains(QStringLiteral("martes"));
        },
        10000);
    SCOPED_TRACE("flash: " + AppState::shared().flashMessage().toStdString());
    EXPECT_TRUE(typed.contains(QStringLiteral("equipo"))) << typed.toStdString();
    EXPECT_TRUE(typed.contains(QStringLiteral("martes"))) << typed.toStdString();

    HistoryStore history(Paths::userData(), Defaults::shared());
    ASSERT_FALSE(history.entries().isEmpty());
    const HistoryEntry& entry = history.entries().first();
    EXPECT_TRUE(entry.original.value_or(QString()).contains(QStringLiteral("marketing"), Qt::CaseInsensitive))
        << entry.original.value_or(QString()).toStdString();
    EXPECT_EQ(entry.translatedTo, QStringLiteral("es"));
    EXPECT_EQ(entry.originalLanguage, QStringLiteral("en"));
    QFile stored(Paths::userData() + QStringLiteral("/history.json"));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll().contains("\"translatedTo\":\"es\""));
    Defaults::shared().remove(QStringLiteral("translationTarget"));
    MlxServer::shared().stop();
}

TEST_F(TranslationDesktopTest, TheReadTranslatedDoubleTapReadsTheSelectionAloudInSpanish) {
    MlxServer::shared().stop();
    ASSERT_TRUE(waitForEngine(false));
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());

    ProgramHome home(R"({"onboardingDone":true,"openWindowAtLaunch":false,"translationReadTarget":"es"})");
    QProcess program;
    ASSERT_TRUE(chordsAreFree(keyboard, {"d", "r", "v"}));
    ASSERT_TRUE(startProgram(program, home, engine));

    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.ask(QStringLiteral("focus line"), QStringLiteral("focused")));
    ASSERT_TRUE(target.ask(QStringLiteral("type ") + kPassage, QStringLiteral("typed")));
    ASSERT_TRUE(target.ask(QStringLiteral("selectall"), QStringLiteral("selected")));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return target.isFocusedInFront() && AXText::selectedText() == kPassage; }, 10000));

    const QString trace = QStringLiteral(".local/share/Quorvane/bubble-trace.log");
    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    // The program binds its taps once its launch has run; until the handler
    // notes the selection, the taps came too early and are repeated.
    const auto handled = [&] { return home.read(trace).contains("translateRead grabSelection="); };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            keyboard.tap("Alt_L");
            QTest::qWait(120);
            keyboard.tap("Alt_L");
            return QTest::qWaitFor(handled, 2000);
        },
        60000))
        << "the program did not bind its read-translated tap";
    const auto bar = [&] { return home.read(trace).contains("translatebar show English->es"); };
    ASSERT_TRUE(QTest::qWaitFor(bar, 30000)) << home.read(trace).toStdString();
    EXPECT_TRUE(home.read(trace).contains("visible=true")) << home.read(trace).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return home.read(trace).contains("chosen=ef_dora"); }, 120000))
        << home.read(trace).toStdString();
    QTest::qWait(8000);
    const double voiced = SpeakerMonitor::voicedSeconds(speaker.stop());
    EXPECT_GE(voiced, 1.5);
    EXPECT_TRUE(home.read(trace).contains("translate chars=")) << home.read(trace).toStdString();

    ASSERT_TRUE(endProgram(program));
    EXPECT_TRUE(waitForEngine(false));
}

} // namespace
