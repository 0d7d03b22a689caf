// The dictation road with fake platform services, a scripted speech server on
// the engine's port and the real clean-up, stores and insertion rules.
#include "dictation/DictationController.h"
#include "audio/Recorder.h"
#include "audio/WavData.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "dictation/BubblePanel.h"
#include "dictation/PasteLast.h"
#include "dictation/SystemAudio.h"
#include "engine/ForeignListener.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "learning/WordSwapper.h"
#include "platform/Wording.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinting.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/Text.h"
#include "translator/Translator.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A text field of another application: a paste puts the clipboard's text in
// place of the selection and leaves the caret after it; a Backspace deletes
// the character before the caret. The target takes the text from the
// clipboard at once, or when the test says so with `fetchLater`.
class PastingKeySynth : public FakeKeySynth {
public:
    PastingKeySynth(FakePasteboard& board, std::shared_ptr<FakeElement> field)
        : m_board(board), m_field(std::move(field)) {}

    void paste(PasteChord chord) override {
        FakeKeySynth::paste(chord);
        if (!typeAtCaret(m_board.plainText()))
            return;
        if (!fetchLater)
            m_board.targetFetches();
    }
    void pressReturn() override {
        FakeKeySynth::pressReturn();
        typeAtCaret(QStringLiteral("\n"));
    }

    // Puts `text` in place of the selection, as typing does; false when the
    // field has no text or no selection.
    bool typeAtCaret(const QString& text) {
        if (!m_field->value || !m_field->selection)
            return false;
        const AccessibleElement::TextRange selection = *m_field->selection;
        m_field->value->replace(selection.location, selection.length, text);
        m_field->selection = AccessibleElement::TextRange{selection.location + text.size(), 0};
        return true;
    }

    void pressBackspace(int count) override {
        FakeKeySynth::pressBackspace(count);
        if (!m_field->value || !m_field->selection)
            return;
        const QString before = m_field->value->left(m_field->selection->location);
        const qsizetype from =
            Text::utf16OffsetOfGrapheme(before, std::max<qsizetype>(0, Text::graphemeCount(before) - count));
        m_field->value->remove(from, before.size() - from);
        m_field->selection = AccessibleElement::TextRange{from, 0};
    }

    bool fetchLater = false;

private:
    FakePasteboard& m_board;
    std::shared_ptr<FakeElement> m_field;
};

// Records what the dictation asks of the bubble.
class RecordingBubble : public BubbleControl {
public:
    void show(BubbleMode mode) override { calls << QStringLiteral("show %1").arg(int(mode)); }
    void hide() override { calls << QStringLiteral("hide"); }
    void scheduleHide(std::chrono::milliseconds after) override {
        calls << QStringLiteral("hide after %1").arg(std::chrono::duration<double>(after).count());
    }
    static QString shown(BubbleMode mode) { return QStringLiteral("show %1").arg(int(mode)); }
    QStringList calls;
};

// The speech server's two endpoints: the readiness probe and transcription,
// answered with the queued texts (the last one repeats).
class SpeechServer {
public:
    SpeechServer() {
        m_http.on("GET", "/v1/models",
                  [](const auto&) { return LoopbackHttpServer::Response::json(R"({"data":[]})"); });
        m_http.on("POST", "/v1/audio/transcriptions", [this](const auto&) {
            const QString text = m_answers.size() > 1 ? m_answers.takeFirst() : m_answers.value(0);
            LoopbackHttpServer::Response response =
                LoopbackHttpServer::Response::json(m_status == 200 ? QJsonDocument(QJsonObject{{"text", text}}).toJson()
                                                                   : QByteArray(R"({"detail":"failed"})"),
                                                   m_status);
            response.delayMs = m_delays.isEmpty() ? 0 : m_delays.takeFirst();
            response.drop = m_dropping || (m_dropNext > 0 && m_dropNext-- > 0);
            return response;
        });
        m_listening = m_http.listen(50061);
    }
    bool listening() const { return m_listening; }
    void answer(const QStringList& texts, const QList<int>& delaysMs = {}) {
        m_answers = texts;
        m_delays = delaysMs;
    }
    // Transcription requests are answered by closing the connection.
    void dropRequests() { m_dropping = true; }
    // The next `count` transcription requests are answered by closing the connection.
    void dropNext(int count) { m_dropNext = count; }
    // Transcription requests are answered with this status (200: the texts).
    void answerWithStatus(int status) { m_status = status; }
    // The WAV files the transcription requests carried, in order.
    QList<QByteArray> sentTakes() const {
        QList<QByteArray> takes;
        for (const auto& request : m_http.requests()) {
            if (request.path != "/v1/audio/transcriptions")
                continue;
            const qsizetype start = request.body.indexOf("RIFF");
            const qsizetype end = request.body.lastIndexOf("\r\n--");
            takes << (start >= 0 && end > start ? request.body.mid(start, end - start) : QByteArray());
        }
        return takes;
    }
    int abandonedRequests() const { return m_http.abandonedRequests(); }
    int requests() const { return int(m_http.requests().size()); }
    int transcriptions() const {
        int count = 0;
        for (const auto& request : m_http.requests())
            count += request.path == "/v1/audio/transcriptions";
        return count;
    }

private:
    LoopbackHttpServer m_http;
    QStringList m_answers;
    QList<int> m_delays;
    bool m_dropping = false;
    int m_dropNext = 0;
    int m_status = 200;
    bool m_listening = false;
};

class DictationControllerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(speech.listening()) << "port 50061 is taken";
        field->value = QString();
        field->selection = AccessibleElement::TextRange{0, 0};
        fakes.accessibility.focused = field;
        fakes.workspace.frontmost =
            Workspace::Application{QStringLiteral("Notes"), QStringLiteral("org.example.notes"), {}, 4242};
        fakes.audioInput.devices = {{1, QStringLiteral("Desk microphone"), 1}};
        fakes.audioInput.defaultDevice = 1;
        fakes.audioInput.script.format = {16000, 1};
        fakes.outputVolume.defaultDevice = QStringLiteral("speakers");
        fakes.outputVolume.volumes[QStringLiteral("speakers")] = {0.5, 0.25};
        Platform services = fakes.services();
        services.keySynth = &keys;
        Platform::install(services);
        // Clean-up off keeps the road to the rules, so texts are predictable.
        defaults.set(QStringLiteral("autoCleanLevel"), QStringLiteral("off"));
        defaults.set(QStringLiteral("endWithPeriod"), true);
    }

    // Starts a take, records `seconds` of a tone of `amplitude`, stops and
    // waits for the road to finish.
    void dictate(double seconds, float amplitude = 0.3f) {
        controller.toggle();
        ASSERT_TRUE(state.isRecording());
        speak(seconds, amplitude);
        ASSERT_TRUE(awaitFuture(controller.toggle(), 20000));
    }
    void speak(double seconds, float amplitude = 0.3f) {
        fakes.audioInput.lastCapture()->deliver(std::vector<float>(size_t(seconds * 16000), amplitude));
    }
    // Lets the preview's 0.7 s waits run out and waits for what they started.
    void runPreviewTick() {
        const auto waiting = std::exchange(previewWaits, {});
        for (const auto& wait : waiting)
            wait->finish();
        QTest::qWait(100);
    }

    ScopedFakePlatform fakes;
    std::shared_ptr<FakeElement> field = std::make_shared<FakeElement>();
    PastingKeySynth keys{fakes.pasteboard, field};
    // The settings and stores of this test alone.
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ModeStore modes{defaults};
    HistoryStore history{folder.path(), defaults};
    StatsStore stats{folder.path()};
    MlxServer speechServer;
    LlmServer cleanupServer;
    CleanupEngine cleanup{defaults, cleanupServer};
    SystemAudio audio{nullptr, &defaults, folder.file(QStringLiteral("ducked-volume.json"))};
    AppState state;
    Recorder recorder{&fakes.audioInput};
    RecordingBubble bubble;
    SpeechServer speech;
    QList<std::shared_ptr<QPromise<void>>> previewWaits;
    bool holdRecleanWait = false;
    QList<std::shared_ptr<QPromise<void>>> recleanWaits;
    DictationController controller{state,
                                   defaults,
                                   recorder,
                                   {modes, history, stats, speechServer, cleanupServer, audio, cleanup},
                                   DictationPeers{&bubble, nullptr, nullptr, nullptr},
                                   [this](std::chrono::milliseconds delay) {
                                       auto wait = std::make_shared<QPromise<void>>();
                                       wait->start();
                                       if (delay == 700ms)
                                           previewWaits << wait;
                                       else if (delay == 130ms && holdRecleanWait)
                                           recleanWaits << wait;
                                       else
                                           wait->finish();
                                       return wait->future();
                                   }};
};

TEST_F(DictationControllerTest, ATakeIsTypedIntoTheFieldAndRecorded) {
    speech.answer({QStringLiteral("um we ship on friday")});
    dictate(1.0);

    EXPECT_EQ(field->value, QStringLiteral("We ship on friday"));
    EXPECT_EQ(state.finalText(), QStringLiteral("We ship on friday"));
    ASSERT_FALSE(history.entries().isEmpty());
    EXPECT_EQ(history.entries().first().text, QStringLiteral("We ship on friday"));
    EXPECT_EQ(history.entries().first().app, QStringLiteral("Notes"));
    EXPECT_EQ(stats.totals().dictations, 1);
    EXPECT_EQ(controller.insertedRange(), (AXText::Range{0, 17}));
    EXPECT_EQ(controller.lastCaretEnd(), 17);
    // Clean-up was off, so the card offers to clean afterwards.
    EXPECT_EQ(bubble.calls.last(), RecordingBubble::shown(BubbleMode::Result));
    // Ducked while recording, the user's volume came back at the stop.
    EXPECT_EQ(fakes.outputVolume.writes, 2);
    EXPECT_EQ(fakes.outputVolume.volumes[QStringLiteral("speakers")], (OutputVolume::ChannelVolumes{0.5, 0.25}));
}

TEST_F(DictationControllerTest, ATooShortTakeIsDroppedWithoutARequest) {
    dictate(0.3);
    EXPECT_EQ(speech.transcriptions(), 0);
    EXPECT_EQ(bubble.calls.last(), QStringLiteral("hide"));
    EXPECT_EQ(field->value, QString());
}

TEST_F(DictationControllerTest, AnEmptyTranscriptSaysWhetherTheMicrophoneWasHeard) {
    speech.answer({QString()});
    dictate(1.0, 0.0063f); // level 3 × 0.0063 = 0.0189
    EXPECT_EQ(state.flashMessage(),
              Wording::of(QStringLiteral("No sound from your mic. Check System Settings > Sound > Input.")));
    EXPECT_TRUE(bubble.calls.contains(QStringLiteral("hide after 2.2")));
    ASSERT_FALSE(fakes.announcer.announcements.isEmpty());
    EXPECT_EQ(fakes.announcer.announcements.last().text, state.flashMessage());

    dictate(1.0, 0.0067f); // level 0.0201
    EXPECT_EQ(state.flashMessage(), QStringLiteral("No speech detected"));
    EXPECT_EQ(field->value, QString());
}

TEST_F(DictationControllerTest, AnEngineThatDoesNotAnswerIsNotTakenForSilence) {
    speech.dropRequests();
    // Installed: starting it again may help.
    ScopedEnvironment engine("QV_ENGINE_ROOT", folder.file(QStringLiteral("engine")).toUtf8());
    ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("engine/mlx-venv/bin"))));
    QFile interpreter(folder.file(QStringLiteral("engine/mlx-venv/bin/python")));
    ASSERT_TRUE(interpreter.open(QIODevice::WriteOnly));
    interpreter.close();
    dictate(1.0);
    EXPECT_EQ(state.flashMessage(), QStringLiteral("The speech engine is not answering. Quit and reopen Quorvane to "
                                                   "start it again. Your recording is kept: Paste Last Dictation "
                                                   "tries it again."));
    EXPECT_EQ(field->value, QString());

    // Not installed at all: a restart cannot help, the set-up's repair can.
    ASSERT_TRUE(interpreter.remove());
    dictate(1.0);
    EXPECT_EQ(state.flashMessage(), QStringLiteral("The speech engine is not installed. Open Microphone Test\u2026 in "
                                                   "the menu and choose Repair speech engine. Your recording is kept: "
                                                   "Paste Last Dictation tries it again."));
    EXPECT_FALSE(state.flashMessage().contains(QStringLiteral("reopen")));

    // Another account listens on the port: the take goes nowhere, and the user is told why.
    fakes.processTable.listenAs(MlxServer::port, {fakes.userAccount.uid + 1});
    const int sent = speech.requests();
    dictate(1.0);
    EXPECT_EQ(state.flashMessage(),
              ForeignListener::message(MlxServer::port)
                  + QStringLiteral(" Your recording is kept: Paste Last Dictation tries it again."));
    EXPECT_EQ(speech.requests(), sent) << "not even a probe";
}

TEST_F(DictationControllerTest, ATakeRefusedAtOnceByAServerThatAnsweredAtTheStartIsSentOnceMore) {
    // The server answers the wake at the start, then drops the take.
    const auto dictateAfterTheWake = [&] {
        controller.toggle();
        ASSERT_TRUE(QTest::qWaitFor([&] { return speechServer.lastReady().has_value(); }, 5000));
        speak(1.0);
        ASSERT_TRUE(awaitFuture(controller.toggle(), 20000));
    };
    speech.answer({QStringLiteral("second time lucky")});
    speech.dropNext(1);
    dictateAfterTheWake();
    EXPECT_EQ(speech.transcriptions(), 2);
    EXPECT_EQ(field->value, QStringLiteral("Second time lucky"));

    // A server that drops it again is not sent it a third time.
    speech.dropNext(2);
    dictateAfterTheWake();
    EXPECT_EQ(speech.transcriptions(), 4);
    EXPECT_TRUE(state.flashMessage().startsWith(QStringLiteral("The speech engine")))
        << state.flashMessage().toStdString();
}

TEST_F(DictationControllerTest, AnEngineErrorKeepsTheTakeAndPasteLastTranscribesItOnceTheEngineIsBack) {
    QFuture<void> retried;
    const auto pasteLast = [&] {
        retried = QtFuture::makeReadyFuture();
        PasteLast::run(history, state, &bubble, [&] { retried = controller.retryKeptTake(); });
        ASSERT_TRUE(awaitFuture(retried, 20000));
    };

    for (const int status : {500, 413}) {
        speech.answerWithStatus(status);
        dictate(1.0, 0.25f);
        EXPECT_EQ(state.flashMessage(), QStringLiteral("The speech engine failed on this take. Your recording is kept: "
                                                       "Paste Last Dictation tries it again."))
            << status;
        EXPECT_EQ(field->value, QString());
        EXPECT_TRUE(history.entries().isEmpty());
        const std::optional<QByteArray> kept = history.keptTake().wav();
        ASSERT_TRUE(kept) << status;
        EXPECT_EQ(*kept, speech.sentTakes().last()) << "the recording the engine failed on";
        EXPECT_EQ(WavData::decode(*kept).value_or(QList<float>()).size(), 16000);
    }

    // Still failing: paste-last sends the kept take again, keeps it, and pastes
    // nothing older.
    pasteLast();
    EXPECT_EQ(speech.sentTakes().size(), 3);
    EXPECT_EQ(speech.sentTakes().last(), speech.sentTakes().first());
    EXPECT_TRUE(state.flashMessage().startsWith(QStringLiteral("The speech engine failed on this take.")));
    EXPECT_TRUE(history.keptTake().wav().has_value());

    // The engine is back: the take is transcribed, typed, recorded and let go.
    speech.answerWithStatus(200);
    speech.answer({QStringLiteral("we ship on friday")});
    pasteLast();
    EXPECT_EQ(field->value, QStringLiteral("We ship on friday"));
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().text, QStringLiteral("We ship on friday"));
    EXPECT_DOUBLE_EQ(stats.totals().speakingSeconds, 1.0);
    EXPECT_FALSE(history.keptTake().wav().has_value());

    // From now on paste-last pastes the text again.
    pasteLast();
    EXPECT_EQ(speech.sentTakes().size(), 4);
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Pasted your last dictation."));
}

TEST_F(DictationControllerTest, ATakeDictatedAfterAFailedOneIsWhatPasteLastPastes) {
    speech.answerWithStatus(500);
    dictate(1.0);
    ASSERT_TRUE(history.keptTakeIsNewest());
    QTest::qWait(20); // the file's time and the entry's time differ
    speech.answerWithStatus(200);
    speech.answer({QStringLiteral("the newer words")});
    dictate(1.0);
    EXPECT_FALSE(history.keptTakeIsNewest());
    bool retried = false;
    PasteLast::run(history, state, &bubble, [&] { retried = true; });
    EXPECT_FALSE(retried);
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Pasted your last dictation."));
    EXPECT_TRUE(history.keptTake().wav().has_value()) << "still there for the user";
}

TEST_F(DictationControllerTest, AQuitWhileRecordingKeepsTheTakeAndPasteLastTypesItAtTheNextLaunch) {
    controller.toggle();
    speak(1.5);
    controller.keepTakeForQuit();
    EXPECT_FALSE(recorder.isRunning());
    const std::optional<QByteArray> kept = history.keptTake().wav();
    ASSERT_TRUE(kept);
    EXPECT_EQ(WavData::decode(*kept).value_or(QList<float>()).size(), 24000);

    // The next launch: its history finds the take, and paste-last sends it.
    HistoryStore relaunchedHistory{folder.path(), defaults};
    AppState relaunchedState;
    DictationController relaunched{relaunchedState,
                                   defaults,
                                   recorder,
                                   {modes, relaunchedHistory, stats, speechServer, cleanupServer, audio, cleanup}};
    speech.answer({QStringLiteral("we ship on friday")});
    QFuture<void> retried = QtFuture::makeReadyFuture();
    PasteLast::run(relaunchedHistory, relaunchedState, nullptr, [&] { retried = relaunched.retryKeptTake(); });
    ASSERT_TRUE(awaitFuture(retried, 20000));
    ASSERT_EQ(speech.sentTakes().size(), 1);
    EXPECT_EQ(speech.sentTakes().first(), *kept);
    EXPECT_EQ(field->value, QStringLiteral("We ship on friday"));
    EXPECT_FALSE(relaunchedHistory.keptTake().wav().has_value());
}

TEST_F(DictationControllerTest, AQuitWhileTheEngineWorksKeepsTheTake) {
    speech.answer({QStringLiteral("we ship on friday")}, {2000});
    controller.toggle();
    speak(1.0);
    QFuture<void> road = controller.toggle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return speech.transcriptions() == 1; }, 5000));
    controller.keepTakeForQuit();
    const std::optional<QByteArray> kept = history.keptTake().wav();
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, speech.sentTakes().last());
    ASSERT_TRUE(awaitFuture(road, 20000)); // the answer the quit would not have waited for

    // A take already typed is nothing to keep at quit.
    history.keptTake().discard();
    speech.answer({QStringLiteral("the words are in")});
    dictate(1.0);
    controller.keepTakeForQuit();
    EXPECT_FALSE(history.keptTake().wav().has_value());
}

TEST_F(DictationControllerTest, AMarkedDictationIsTypedUntranslatedWhereNothingCanTranslate) {
    fakes.onDeviceTranslator.available = false;
    Translator::setTranslateNextDictation(true);
    speech.answer({QStringLiteral("keep it as it is")});
    dictate(1.0);
    EXPECT_EQ(field->value, QStringLiteral("Keep it as it is"));
    EXPECT_EQ(state.flashMessage(), QString());
    EXPECT_FALSE(Translator::takeTranslateNextDictation());
    ASSERT_FALSE(history.entries().isEmpty());
    EXPECT_EQ(history.entries().first().original, std::nullopt);
}

// The translate-once mark belongs to the take it started, whatever becomes of
// that take: the next ordinary dictation is typed as spoken.
TEST_F(DictationControllerTest, ATranslateOnceMarkEndsWithItsTakeEvenWhenTheTakeComesToNothing) {
    fakes.languageDetector.answer(QStringLiteral("es"));
    fakes.onDeviceTranslator.setPair(QStringLiteral("es"), QStringLiteral("en"),
                                     OnDeviceTranslator::PairStatus::Installed);
    fakes.onDeviceTranslator.answer = QStringLiteral("See you tomorrow afternoon");
    speech.answer({QStringLiteral("nos vemos mañana por la tarde")});
    const auto mark = [&] {
        Translator::setTranslateNextDictation(true);
        state.setIsTranslating(true);
    };
    const auto startOver = [&] {
        field->value = QStringLiteral("Hola. ");
        field->selection = AccessibleElement::TextRange{6, 0};
    };
    const auto dictateUnmarked = [&](const char* after) {
        startOver();
        dictate(1.0);
        EXPECT_EQ(field->value, QStringLiteral("Hola. Nos vemos mañana por la tarde")) << after;
        EXPECT_TRUE(fakes.onDeviceTranslator.requests.isEmpty()) << after;
    };

    // The microphone would not start.
    mark();
    fakes.audioInput.script.startError = QuorvaneError{3, QStringLiteral("No microphone input available")};
    controller.toggle();
    ASSERT_FALSE(state.isRecording());
    EXPECT_FALSE(state.isTranslating());
    fakes.audioInput.script.startError.reset();
    dictateUnmarked("a failed start");

    // Too short to be sent.
    mark();
    dictate(0.3);
    EXPECT_FALSE(state.isTranslating());
    dictateUnmarked("a take too short");

    // A marked take that is heard is translated.
    mark();
    startOver();
    dictate(1.0);
    EXPECT_EQ(field->value, QStringLiteral("Hola. See you tomorrow afternoon"));
    EXPECT_FALSE(state.isTranslating());
}

TEST_F(DictationControllerTest, FillersAreKeptOnlyWhereEveryWordCounts) {
    defaults.set(QStringLiteral("endWithPeriod"), false);
    speech.answer({QStringLiteral("um so we ship it")});
    dictate(1.0);
    EXPECT_FALSE(field->value->contains(QStringLiteral("um"), Qt::CaseInsensitive)) << field->value->toStdString();

    defaults.set(ModeStore::pinnedKey, QStringLiteral("verbatim"));
    field->value = QString();
    field->selection = AccessibleElement::TextRange{0, 0};
    fakes.workspace.frontmost->name = QStringLiteral("Journal");
    dictate(1.0);
    EXPECT_TRUE(field->value->startsWith(QStringLiteral("Um"))) << field->value->toStdString();
    EXPECT_EQ(state.modeName(), modes.mode(QStringLiteral("verbatim"))->name);
    EXPECT_TRUE(state.modeIsPinned());
}

TEST_F(DictationControllerTest, WithoutKeystrokesTheTextIsOnlyCopied) {
    keys.available = false;
    fakes.wording.table = {
        {QStringLiteral("Copied. Grant Accessibility to auto-paste."), QStringLiteral("Copied. Paste with Ctrl+V.")}};
    speech.answer({QStringLiteral("copy me please")});
    dictate(1.0);
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("Copy me please"));
    EXPECT_FALSE(keys.posted.contains(QStringLiteral("paste")));
    EXPECT_EQ(field->value, QString());
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Copied. Paste with Ctrl+V."));
    EXPECT_EQ(fakes.accessibility.trustRequests, 0);
    EXPECT_EQ(controller.insertedRange(), std::nullopt);
    EXPECT_EQ(controller.insertedText(), QStringLiteral("Copy me please"));
}

TEST_F(DictationControllerTest, WithReadingOffTheTextIsPastedAndReadingIsSwitchedOnOnce) {
    fakes.accessibility.trusted = false;
    speech.answer({QStringLiteral("paste me anyway")});
    dictate(1.0);
    EXPECT_TRUE(keys.posted.contains(QStringLiteral("paste")));
    EXPECT_EQ(field->value, QStringLiteral("Paste me anyway"));
    EXPECT_EQ(fakes.accessibility.trustRequests, 1);
    EXPECT_TRUE(state.flashMessage().startsWith(QStringLiteral("Accessibility is now on")));
    // The message stays up for its time: the bubble is not hidden at once.
    EXPECT_TRUE(bubble.calls.contains(QStringLiteral("hide after 2.2")));
    EXPECT_NE(bubble.calls.last(), QStringLiteral("hide"));

    // Granted now: the next dictation neither asks nor says it again.
    state.setFlashMessage(QString());
    speech.answer({QStringLiteral("and again")});
    dictate(1.0);
    EXPECT_EQ(fakes.accessibility.trustRequests, 1);
    EXPECT_EQ(state.flashMessage(), QString());
}

TEST_F(DictationControllerTest, WhereTheSessionRefusesReadingTheUserIsToldSoOnlyOnce) {
    fakes.accessibility.trusted = false;
    fakes.accessibility.refuses = true;
    speech.answer({QStringLiteral("first words")});
    dictate(1.0);
    EXPECT_EQ(field->value, QStringLiteral("First words"));
    EXPECT_EQ(state.flashMessage(),
              QStringLiteral("Accessibility could not be turned on for this session, so Quorvane cannot read the text "
                             "at the cursor. Dictation still types your words."));

    for (const QString& words : {QStringLiteral("second words"), QStringLiteral("third words")}) {
        state.setFlashMessage(QString());
        speech.answer({words});
        dictate(1.0);
        EXPECT_EQ(state.flashMessage(), QString()) << words.toStdString();
    }
    EXPECT_EQ(fakes.accessibility.trustRequests, 3);
}

// Showing the bubble asks the target where its window is, which a target
// still fetching the pasted text cannot answer: what the desktop said about
// reading waits until the paste has been taken.
TEST_F(DictationControllerTest, TheAnswerAboutReadingIsShownOnlyOnceThePasteIsTaken) {
    fakes.accessibility.trusted = false;
    fakes.accessibility.holdsAnswers = true;
    keys.fetchLater = true;
    speech.answer({QStringLiteral("paste me first")});
    controller.toggle();
    speak(1.0);
    QFuture<void> done = controller.toggle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return keys.posted.contains(QStringLiteral("paste")); }, 20000));
    const qsizetype callsAtPaste = bubble.calls.size();
    fakes.accessibility.answerHeldRequests();
    QTest::qWait(50);
    EXPECT_EQ(bubble.calls.mid(callsAtPaste), QStringList{});
    EXPECT_EQ(state.flashMessage(), QString());

    fakes.pasteboard.targetFetches();
    ASSERT_TRUE(awaitFuture(done, 20000));
    EXPECT_EQ(field->value, QStringLiteral("Paste me first"));
    EXPECT_TRUE(bubble.calls.mid(callsAtPaste).contains(RecordingBubble::shown(BubbleMode::Flash)));
    EXPECT_TRUE(state.flashMessage().startsWith(QStringLiteral("Accessibility is now on")));

    // An answer that comes after the paste was taken is told when it comes.
    keys.fetchLater = false;
    fakes.accessibility.trusted = false;
    fakes.accessibility.refuses = true;
    state.setFlashMessage(QString());
    speech.answer({QStringLiteral("and then some")});
    dictate(1.0);
    EXPECT_EQ(state.flashMessage(), QString());
    fakes.accessibility.answerHeldRequests();
    EXPECT_TRUE(state.flashMessage().startsWith(QStringLiteral("Accessibility could not be turned on")));
}

TEST_F(DictationControllerTest, AContinuingDictationReplacesTheClosingPeriod) {
    speech.answer({QStringLiteral("hello 😀 there."), QStringLiteral("and more.")});
    dictate(1.0);
    ASSERT_EQ(field->value, QStringLiteral("Hello 😀 there."));
    EXPECT_EQ(controller.lastCaretEnd(), 15); // UTF-16 units: the emoji counts two

    dictate(1.0);
    EXPECT_EQ(field->value, QStringLiteral("Hello 😀 there and more."));
    EXPECT_EQ(controller.insertedRange(), (AXText::Range{14, 10}));
    EXPECT_EQ(controller.lastCaretEnd(), 24);
}

TEST_F(DictationControllerTest, AWordSwapAfterAContinuedSentenceIsMadeInTheField) {
    WordSwapper swapper{state, [] { return QStringList{QStringLiteral("Jenna")}; }};
    swapper.setLastInsertion(&controller);
    controller.setPeers(DictationPeers{&bubble, nullptr, &swapper, nullptr});
    speech.answer({QStringLiteral("we ship today."), QStringLiteral("and ask gina.")});
    dictate(1.0);
    dictate(1.0);
    ASSERT_EQ(field->value, QStringLiteral("We ship today and ask gina."));
    ASSERT_EQ(state.wordSwaps().size(), 1);

    swapper.take(state.wordSwaps().front(), QStringLiteral("Jenna"));
    EXPECT_EQ(field->value, QStringLiteral("We ship today and ask Jenna."));
    EXPECT_EQ(state.finalText(), QStringLiteral("And ask Jenna."));
    EXPECT_TRUE(state.wordSwaps().isEmpty());
}

TEST_F(DictationControllerTest, ADictationIntoAnEmptiedFieldStartsAFreshSentence) {
    speech.answer({QStringLiteral("first part."), QStringLiteral("we ship today.")});
    dictate(1.0);
    ASSERT_EQ(field->value, QStringLiteral("First part."));
    // The user cleared the field; the next dictation follows at once.
    field->value = QString();
    field->selection = AccessibleElement::TextRange{0, 0};
    dictate(1.0);
    EXPECT_EQ(field->value, QStringLiteral("We ship today."));
}

TEST_F(DictationControllerTest, ADictationAfterTheCaretMovedStartsANewSentence) {
    speech.answer({QStringLiteral("first part."), QStringLiteral("second part.")});
    dictate(1.0);
    // The user typed a space after the dictation.
    field->value = QStringLiteral("First part. ");
    field->selection = AccessibleElement::TextRange{12, 0};
    dictate(1.0);
    EXPECT_EQ(field->value, QStringLiteral("First part. Second part."));
}

TEST_F(DictationControllerTest, WhileASlowEngineWorksTheUserMayTypeAndTheTextFitsWhatIsThereAtTheEnd) {
    speech.answer({QStringLiteral("second part.")}, {400});
    controller.toggle();
    speak(1.0);
    // The engine answered its wake, so the stop sends the take at once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return speechServer.lastReady().has_value(); }, 5000));
    QFuture<void> stopped = controller.toggle();
    // Typed after the stop, while the engine still works.
    field->value = QStringLiteral("Dear Sam");
    field->selection = AccessibleElement::TextRange{8, 0};
    ASSERT_TRUE(awaitFuture(stopped, 20000));
    EXPECT_EQ(field->value, QStringLiteral("Dear Sam second part."));
    EXPECT_TRUE(bubble.calls.contains(RecordingBubble::shown(BubbleMode::Thinking)));
}

TEST_F(DictationControllerTest, AReturnPressedWhileThinkingIsHeldBackOnlyWhenAskedAndArrivesOnceAfterTheWordsOrAlone) {
    // The user's Return at the keyboard: the program's while it takes the key, else the field's.
    // Read late, the desktop hands a taken press over only as the keys go back.
    bool readLate = false;
    const auto pressReturn = [&] {
        if (readLate && !fakes.hotkeys.takenKeys().isEmpty())
            fakes.hotkeys.unreadPresses << BubblePanel::kReturnKey;
        else if (!fakes.hotkeys.type(BubblePanel::kReturnKey))
            keys.typeAtCaret(QStringLiteral("\n"));
        QTest::qWait(20);
    };
    QList<quint32> taken;
    const auto stopAndPressReturn = [&] {
        field->value = QString();
        field->selection = AccessibleElement::TextRange{0, 0};
        keys.posted.clear();
        controller.toggle();
        speak(1.0);
        QFuture<void> road = controller.toggle();
        taken = fakes.hotkeys.takenKeys();
        std::sort(taken.begin(), taken.end());
        pressReturn();
        return road;
    };
    // The engine takes its time, as the user presses Return.
    speech.answer({QStringLiteral("send this")}, {300, 300, 300, 300});

    // Off: the Return reaches the field at once and is not posted again.
    QFuture<void> road = stopAndPressReturn();
    ASSERT_TRUE(awaitFuture(road));
    EXPECT_EQ(field->value, QStringLiteral("\nSend this"));
    EXPECT_EQ(keys.posted, QStringList{QStringLiteral("paste")});

    // On: both keys are held from the stop to the paste; the Return follows the words.
    defaults.set(QStringLiteral("holdEarlyReturn"), true);
    road = stopAndPressReturn();
    EXPECT_EQ(taken, (QList<quint32>{BubblePanel::kReturnKey, BubblePanel::kKeypadEnterKey}));
    ASSERT_TRUE(awaitFuture(road));
    EXPECT_EQ(field->value, controller.insertedText() + QLatin1Char('\n'));
    EXPECT_TRUE(controller.insertedText().endsWith(QStringLiteral("send this"), Qt::CaseInsensitive));
    EXPECT_EQ(keys.posted, (QStringList{QStringLiteral("paste"), QStringLiteral("return")}));
    EXPECT_TRUE(fakes.hotkeys.takenKeys().isEmpty());
    EXPECT_FALSE(state.returnPressedWhileThinking());

    // Keys another program holds: the Return reaches the field as typed, once,
    // even though the bubble's key watch saw it.
    fakes.hotkeys.takenElsewhere.insert({BubblePanel::kReturnKey, 0u});
    road = stopAndPressReturn();
    state.setReturnPressedWhileThinking(true);
    ASSERT_TRUE(awaitFuture(road));
    EXPECT_EQ(field->value, QStringLiteral("\n") + controller.insertedText());
    EXPECT_EQ(keys.posted, QStringList{QStringLiteral("paste")});
    fakes.hotkeys.takenElsewhere.clear();

    // No words come: the Return held for them reaches the field alone, once.
    const auto expectTheReturnAlone = [&](const char* outcome) {
        ASSERT_TRUE(awaitFuture(road)) << outcome;
        EXPECT_EQ(field->value, QStringLiteral("\n")) << outcome;
        EXPECT_EQ(keys.posted, QStringList{QStringLiteral("return")}) << outcome;
        EXPECT_TRUE(fakes.hotkeys.takenKeys().isEmpty()) << outcome;
        EXPECT_FALSE(state.returnPressedWhileThinking()) << outcome;
    };
    speech.answer({QString()}, {300});
    road = stopAndPressReturn();
    expectTheReturnAlone("an empty transcript");
    speech.answer({QStringLiteral("um")}, {300});
    road = stopAndPressReturn();
    expectTheReturnAlone("a filler the clean-up takes away");
    speech.answerWithStatus(500);
    speech.answer({QString()}, {300});
    road = stopAndPressReturn();
    expectTheReturnAlone("an engine failure");
    speech.answerWithStatus(200);

    // The engine answers the moment the user presses Return, before the press
    // is read: it is held all the same, and arrives once.
    readLate = true;
    speech.answer({QString()}, {300});
    road = stopAndPressReturn();
    expectTheReturnAlone("a press read as the keys go back");
    speech.answer({QStringLiteral("send this")}, {300});
    road = stopAndPressReturn();
    ASSERT_TRUE(awaitFuture(road));
    EXPECT_EQ(field->value, controller.insertedText() + QLatin1Char('\n'));
    EXPECT_EQ(keys.posted, (QStringList{QStringLiteral("paste"), QStringLiteral("return")}));
    readLate = false;

    // Keys that cannot be posted: the words are only copied, and a Return that
    // could not be given back is not taken.
    keys.available = false;
    speech.answer({QStringLiteral("copy this")}, {300});
    road = stopAndPressReturn();
    ASSERT_TRUE(awaitFuture(road));
    EXPECT_EQ(fakes.pasteboard.plainText(), QStringLiteral("Copy this"));
    EXPECT_EQ(field->value, QStringLiteral("\n"));
    EXPECT_TRUE(keys.posted.isEmpty());
    keys.available = true;

    // A Return typed in another application is that application's, at once.
    speech.answer({QStringLiteral("send this")}, {300});
    controller.toggle();
    speak(1.0);
    keys.posted.clear();
    road = controller.toggle();
    fakes.workspace.frontmost =
        Workspace::Application{QStringLiteral("Chat"), QStringLiteral("org.example.chat"), {}, 77};
    pressReturn();
    EXPECT_TRUE(fakes.hotkeys.takenKeys().isEmpty());
    ASSERT_TRUE(awaitFuture(road));
    EXPECT_EQ(keys.posted, (QStringList{QStringLiteral("return"), QStringLiteral("paste")}));
}

TEST_F(DictationControllerTest, TheResultCardFollowsTheSettingsAndTheMode) {
    speech.answer({QStringLiteral("card or not")});
    defaults.set(QStringLiteral("autoCleanLevel"), QStringLiteral("balanced"));
    dictate(1.0);
    EXPECT_EQ(bubble.calls.last(), QStringLiteral("hide"));

    defaults.set(QStringLiteral("showResultCard"), true);
    dictate(1.0);
    EXPECT_EQ(bubble.calls.last(), RecordingBubble::shown(BubbleMode::Result));

    defaults.set(QStringLiteral("previewStyle"), QStringLiteral("pill"));
    dictate(1.0);
    EXPECT_EQ(bubble.calls.last(), QStringLiteral("hide"));
}

TEST_F(DictationControllerTest, AnOlderTakeStillPastesButLeavesTheBubbleToTheNewerOne) {
    speech.answer({QStringLiteral("the older take"), QStringLiteral("")}, {400});
    controller.toggle();
    speak(1.0);
    QFuture<void> older = controller.toggle();
    controller.toggle(); // a new take starts while the older one transcribes
    ASSERT_TRUE(state.isRecording());
    const qsizetype callsAtNewStart = bubble.calls.size();
    ASSERT_TRUE(awaitFuture(older, 20000));

    EXPECT_EQ(field->value, QStringLiteral("The older take"));
    EXPECT_EQ(bubble.calls.mid(callsAtNewStart), QStringList{});
    EXPECT_TRUE(state.flashMessage().isEmpty());
    EXPECT_TRUE(state.isRecording());
}

TEST_F(DictationControllerTest, ThePreviewTranscribesTakesBetweenHalfASecondAndNinetySeconds) {
    speech.answer({QStringLiteral("so far so good")});
    controller.toggle();
    speak(0.5);
    runPreviewTick();
    EXPECT_EQ(speech.transcriptions(), 0);

    speak(0.5);
    runPreviewTick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !state.liveText().isEmpty(); }, 5000));
    EXPECT_EQ(speech.transcriptions(), 1);
    EXPECT_EQ(state.liveText(), QStringLiteral("so far so good"));
    EXPECT_EQ(controller.lastPreview(), QStringLiteral("so far so good"));

    speak(90.0);
    runPreviewTick();
    runPreviewTick();
    EXPECT_EQ(speech.transcriptions(), 1);
    ASSERT_TRUE(awaitFuture(controller.toggle(), 20000));
}

TEST_F(DictationControllerTest, TheStopAbandonsAPreviewStillOnItsWay) {
    speech.answer({QStringLiteral("slow preview"), QStringLiteral("the final words")}, {10000, 0});
    controller.toggle();
    speak(1.0);
    runPreviewTick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return speech.transcriptions() == 1; }, 5000));
    speak(0.5);
    ASSERT_TRUE(awaitFuture(controller.toggle(), 5000));
    EXPECT_EQ(field->value, QStringLiteral("The final words"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return speech.abandonedRequests() == 1; }, 2000));
}

TEST_F(DictationControllerTest, ThePillStyleRunsNoPreview) {
    defaults.set(QStringLiteral("previewStyle"), QStringLiteral("pill"));
    controller.toggle();
    speak(2.0);
    EXPECT_TRUE(previewWaits.isEmpty());
    EXPECT_EQ(speech.transcriptions(), 0);
}

TEST_F(DictationControllerTest, AFailingMicrophoneFlashesAndLeavesTheTakeUnstarted) {
    fakes.audioInput.script.startError = QuorvaneError{3, QStringLiteral("No microphone input available")};
    controller.toggle();
    EXPECT_FALSE(state.isRecording());
    EXPECT_EQ(state.flashMessage(), QStringLiteral("No microphone input available"));
    EXPECT_EQ(fakes.outputVolume.writes, 0);
}

// ---- Re-clean of the last insertion

class RecleanTest : public DictationControllerTest {
protected:
    void dictateVerbatim(const QString& transcript) {
        defaults.set(ModeStore::pinnedKey, QStringLiteral("verbatim"));
        speech.answer({transcript});
        dictate(1.0);
    }
};

TEST_F(RecleanTest, ReplacesTheTextInPlaceWhileTheCaretIsAfterIt) {
    dictateVerbatim(QStringLiteral("um so we ship it"));
    const QString inserted = *field->value;
    ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(std::nullopt)));
    EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Done);
    EXPECT_NE(field->value, inserted);
    EXPECT_FALSE(field->value->contains(QStringLiteral("Um")));
    EXPECT_EQ(state.finalText(), field->value);
    EXPECT_EQ(controller.insertedRange(), (AXText::Range{0, field->value->size()}));
    EXPECT_EQ(field->selection, (AccessibleElement::TextRange{field->value->size(), 0}));
    EXPECT_EQ(bubble.calls.last(), QStringLiteral("hide after 3"));
}

TEST_F(RecleanTest, TheCleanTextJoinsWhatPrecedesItAsTheDictationDid) {
    struct Case {
        const char* typed;
        const char* first;
        const char* transcript;
        const char* expected;
    };
    const Case cases[] = {
        // After a finished sentence: a new one, a blank in front.
        {"Foo.", nullptr, "um can we ship it", "Foo. Can we ship it."},
        // After words that go on: the sentence goes on.
        {"Dear Sam", nullptr, "um thanks for the notes", "Dear Sam thanks for the notes."},
        // Dictated right after the last dictation: it continues that one.
        {"Hi. ", "we ship today.", "um and on friday", "Hi. We ship today and on friday."},
    };
    for (const Case& c : cases) {
        field->value = QString::fromUtf8(c.typed);
        field->selection = AccessibleElement::TextRange{field->value->size(), 0};
        if (c.first)
            dictateVerbatim(QString::fromUtf8(c.first));
        dictateVerbatim(QString::fromUtf8(c.transcript));
        ASSERT_TRUE(field->value->contains(QStringLiteral("um"), Qt::CaseInsensitive)) << field->value->toStdString();
        ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(std::nullopt)));
        EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Done) << c.transcript;
        EXPECT_EQ(field->value, QString::fromUtf8(c.expected));
        EXPECT_EQ(field->selection, (AccessibleElement::TextRange{field->value->size(), 0})) << c.transcript;
    }
}

TEST_F(RecleanTest, ActsOnTheTextWithTheSwappedWord) {
    WordSwapper swapper{state, [] { return QStringList{QStringLiteral("Jenna"), QStringLiteral("Dana")}; }};
    swapper.setLastInsertion(&controller);
    controller.setPeers(DictationPeers{&bubble, nullptr, &swapper, nullptr});
    // A new word of another length, and one of the same length.
    const std::pair<const char*, const char*> swaps[] = {{"um so we ship it to gina", "Jenna"},
                                                         {"um so we ship it to dina", "Dana"}};
    for (const auto& [transcript, option] : swaps) {
        field->value = QString();
        field->selection = AccessibleElement::TextRange{0, 0};
        dictateVerbatim(QString::fromUtf8(transcript));
        ASSERT_EQ(state.wordSwaps().size(), 1) << transcript;
        swapper.take(state.wordSwaps().front(), QString::fromUtf8(option));
        ASSERT_TRUE(field->value->contains(QString::fromUtf8(option))) << field->value->toStdString();

        ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(std::nullopt)));
        EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Done) << transcript;
        EXPECT_EQ(field->value, QStringLiteral("So we ship it to %1.").arg(QString::fromUtf8(option)));
        EXPECT_EQ(field->selection, (AccessibleElement::TextRange{field->value->size(), 0})) << transcript;
        state.setCleanupState(AppState::CleanupState::Idle);
    }
}

TEST_F(RecleanTest, CopiesWhenTheCaretHasMoved) {
    dictateVerbatim(QStringLiteral("um so we ship it"));
    const QString inserted = *field->value;
    field->selection = AccessibleElement::TextRange{2, 0};
    ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(std::nullopt)));
    EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Copied);
    EXPECT_EQ(field->value, inserted);
    EXPECT_EQ(fakes.pasteboard.plainText(), state.finalText());
    EXPECT_EQ(controller.insertedText(), inserted);
}

TEST_F(RecleanTest, LeavesAnAlreadyCleanTextAlone) {
    dictateVerbatim(QStringLiteral("can we ship it on Friday?"));
    const QStringList keysBefore = keys.posted;
    ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(std::nullopt)));
    EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Done);
    EXPECT_EQ(keys.posted, keysBefore);
    EXPECT_EQ(bubble.calls.last(), QStringLiteral("hide after 2.5"));
    // A second press while the card shows the result does nothing.
    ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(std::nullopt)));
    EXPECT_EQ(keys.posted, keysBefore);
}

TEST_F(RecleanTest, ADictationStartedWhileTheCleanTextIsPastedLeavesItInPlace) {
    dictateVerbatim(QStringLiteral("um so we ship it"));
    holdRecleanWait = true;
    QFuture<void> reclean = controller.cleanupLastInsert(std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recleanWaits.isEmpty(); }, 5000));
    controller.toggle(); // a new take resets the remembered insertion
    ASSERT_TRUE(state.isRecording());
    recleanWaits.takeFirst()->finish();
    ASSERT_TRUE(awaitFuture(reclean));
    EXPECT_FALSE(field->value->contains(QStringLiteral("Um")));
    EXPECT_EQ(field->selection, (AccessibleElement::TextRange{field->value->size(), 0}));
    // The newer take keeps its own state.
    EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Idle);
    EXPECT_EQ(controller.insertedRange(), std::nullopt);
    speak(1.0);
    ASSERT_TRUE(awaitFuture(controller.toggle(), 20000));
}

TEST_F(RecleanTest, AnswersForAnOlderTakeAreDropped) {
    dictateVerbatim(QStringLiteral("um so we ship it"));
    const QString inserted = *field->value;
    ASSERT_TRUE(awaitFuture(controller.cleanupLastInsert(controller.generation() - 1)));
    EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Idle);
    EXPECT_EQ(field->value, inserted);
}

} // namespace
