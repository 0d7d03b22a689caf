#include "reader/ReaderController.h"
#include "dictation/DictationPeers.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/FakePlatform.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinting.h"
#include "support/RecordingBubble.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Request = LoopbackHttpServer::Request;
using Response = LoopbackHttpServer::Response;

QJsonObject bodyOf(const Request& request) { return QJsonDocument::fromJson(request.body).object(); }

// A WAV stand-in that names the text it was made for.
QByteArray speechFor(const QString& text) { return "RIFF" + text.toUtf8() + QByteArray(120, '\0'); }

// Three chunks: a short first sentence, then one that fills a later chunk.
const QString kFirst = QStringLiteral("First sentence here.");
const QString kSecond = QString(630, u'B') + u'.';
const QString kThird = QStringLiteral("Third one.");
const QString kThreeChunks = kFirst + u' ' + kSecond + u' ' + kThird;

class ReaderControllerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen());
        server.on("POST", "/v1/audio/speech", [this](const Request& request) {
            const QString input = bodyOf(request).value("input").toString();
            if (const auto scripted = answers.constFind(input); scripted != answers.cend())
                return *scripted;
            Response response = Response::bytes(speechFor(input), "audio/wav");
            response.delayMs = delayMs;
            return response;
        });
        platform.languageDetector.answer(QStringLiteral("en"));
        reader = std::make_unique<ReaderController>(state, services());
        attachPeers();
    }

    void attachPeers() {
        ReaderController::Peers peers;
        peers.bubble = &bubble;
        peers.abandonTranslatedReading = [this] { calls << "translation"; };
        peers.hideTranslateBar = [this] { calls << "bar"; };
        peers.stopReadAlong = [this] { calls << "read-along"; };
        peers.hideReadAlong = [this] { calls << "hide read-along"; };
        peers.readAlong = [this](const QString& text) {
            calls << "read-along:" + text;
            return QtFuture::makeReadyFuture();
        };
        reader->setPeers(peers);
    }

    ReaderController::Services services() {
        ReaderController::Services s;
        s.ensureEngine = [this] { return engine ? engine->future() : QtFuture::makeReadyFuture(true); };
        s.server = server.url();
        s.selectedVoice = [this] { return voice; };
        s.readAlongWindow = [this] { return readAlongWindow; };
        s.selectedText = [this](QObject*) { return QtFuture::makeReadyFuture(selection); };
        s.trace = [this](const QString& line) { traces << line; };
        s.watchdogMargin = 20ms;
        return s;
    }

    QStringList inputs() const {
        QStringList out;
        for (const Request& request : server.requests())
            out << bodyOf(request).value("input").toString();
        return out;
    }
    QStringList played() const {
        QStringList out;
        for (const QByteArray& wav : platform.audioPlayers.played())
            out << QString::fromUtf8(wav.mid(4, wav.indexOf('\0') - 4));
        return out;
    }
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
        return QTest::qWaitFor(condition, timeoutMs);
    }
    // Ends sounds as they start until the reading is over.
    void playThrough(const QFuture<void>& reading) {
        ASSERT_TRUE(waitFor([&] {
            platform.audioPlayers.finishCurrent();
            return reading.isFinished();
        }));
    }

    ScopedFakePlatform platform;
    AppState state;
    RecordingBubble bubble;
    LoopbackHttpServer server;
    QHash<QString, Response> answers;
    int delayMs = 0;
    std::unique_ptr<QPromise<bool>> engine;
    QString voice = QStringLiteral("af_heart");
    bool readAlongWindow = false;
    std::optional<QString> selection;
    QStringList traces;
    QStringList calls;
    std::unique_ptr<ReaderController> reader;
};

TEST_F(ReaderControllerTest, QueuesEachChunkBehindThePlayingOneOnTheSameOutput) {
    platform.audioPlayers.duration = 50ms;
    // The fake's short sounds end on timers that a loaded machine runs late:
    // the watchdog waits long enough not to take that for a stuck output.
    ReaderController::Services patient = services();
    patient.watchdogMargin = 5s;
    reader = std::make_unique<ReaderController>(state, patient);
    attachPeers();
    const QFuture<void> reading = reader->speak(kThreeChunks);
    EXPECT_TRUE(reader->isReading());
    // Chunk 0 plays while the others are asked for one by one, each as the
    // one before it starts, and queued behind it: one output, no gap between
    // chunks.
    ASSERT_TRUE(waitFor([&] {
        return server.requests().size() == 3 && !platform.audioPlayers.made.isEmpty()
               && platform.audioPlayers.made[0]->appended.size() == 2;
    }));
    EXPECT_EQ(platform.audioPlayers.made.size(), 1);
    EXPECT_TRUE(platform.audioPlayers.made.first()->playing);
    EXPECT_EQ(inputs(), (QStringList{kFirst, kSecond, kThird}));
    EXPECT_EQ(played(), inputs());
    EXPECT_TRUE(reader->isReading());

    // The output's end is the reading's end.
    playThrough(reading);
    EXPECT_EQ(platform.audioPlayers.made.size(), 1);
    EXPECT_FALSE(reader->isReading());
    EXPECT_TRUE(bubble.shown.isEmpty());
    EXPECT_EQ(bodyOf(server.requests().first()).value("response_format").toString(), QStringLiteral("wav"));
    EXPECT_EQ(traces.size(), 1) << "one trace line per reading";
}

TEST_F(ReaderControllerTest, AtMostOneChunkIsMadeAheadOfTheOnePlaying) {
    const QString fourth = QString(630, u'C') + u'.';
    const QString text = kFirst + u' ' + kSecond + u' ' + fourth + u' ' + kThird;
    // Each chunk sounds far longer than the test waits.
    platform.audioPlayers.duration = 60s;
    const QFuture<void> reading = reader->speak(text);
    ASSERT_TRUE(waitFor(
        [&] { return !platform.audioPlayers.made.isEmpty() && platform.audioPlayers.made[0]->appended.size() == 1; }));
    QTest::qWait(300);
    // Chunk 0 plays, chunk 1 waits behind it; chunk 2 is not asked for yet.
    EXPECT_EQ(inputs(), (QStringList{kFirst, kSecond}));

    // Chunks 0 and 1 end: chunk 2 is asked for, starts the output again and
    // the last one is asked for while it plays.
    ASSERT_TRUE(platform.audioPlayers.finishCurrent());
    ASSERT_TRUE(waitFor(
        [&] { return platform.audioPlayers.made.size() == 2 && platform.audioPlayers.made[1]->appended.size() == 1; }));
    EXPECT_EQ(inputs(), (QStringList{kFirst, kSecond, fourth, kThird}));
    playThrough(reading);
    EXPECT_EQ(played(), inputs());
}

TEST_F(ReaderControllerTest, AChunkThatComesAfterTheOutputEndedStartsItAgain) {
    delayMs = 150;
    const QFuture<void> reading = reader->speak(kThreeChunks);
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 1; }));
    // The first chunk ends before the second is made.
    ASSERT_TRUE(platform.audioPlayers.finishCurrent());
    QTest::qWait(20);
    EXPECT_TRUE(reader->isReading());
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made[1]->appended.size() == 1; }));
    EXPECT_EQ(played(), (QStringList{kFirst, kSecond, kThird}));
    playThrough(reading);
    EXPECT_FALSE(reader->isReading());
}

TEST_F(ReaderControllerTest, ANewerReadingMakesTheOlderOneStale) {
    delayMs = 150;
    const QFuture<void> older = reader->speak(QStringLiteral("Older text."));
    ASSERT_TRUE(waitFor([&] { return server.requests().size() == 1; }));
    delayMs = 0;
    const QFuture<void> newer = reader->speak(QStringLiteral("Newer text."));
    ASSERT_TRUE(awaitFuture(older));
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 1; }));
    QTest::qWait(250); // the older answer has arrived by now
    EXPECT_EQ(played(), QStringList{QStringLiteral("Newer text.")});
    EXPECT_TRUE(reader->isReading());
    playThrough(newer);
    EXPECT_FALSE(reader->isReading());
}

TEST_F(ReaderControllerTest, ANewerReadingStopsTheOlderOnesPlayerAtOnce) {
    const QFuture<void> older = reader->speak(QStringLiteral("Older text."));
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 1; }));
    const QFuture<void> newer = reader->speak(QStringLiteral("Newer text."));
    EXPECT_TRUE(platform.audioPlayers.made.first()->stopped);
    EXPECT_TRUE(older.isFinished());
    EXPECT_TRUE(older.isCanceled()) << "whoever waits on it must not take it for a reading that ended";
    // A new reading silences the read-along window, but is no stop of the
    // translated reading: it speaks its pieces through here.
    EXPECT_EQ(calls, (QStringList{"read-along", "read-along"}));
    playThrough(newer);
    EXPECT_FALSE(newer.isCanceled());
}

TEST_F(ReaderControllerTest, AStaleRunThatGetsNoAudioTouchesNothing) {
    Response failure = Response::bytes("busy", "text/plain", 500);
    failure.delayMs = 150;
    answers.insert(QStringLiteral("Older text."), failure);
    const QFuture<void> older = reader->speak(QStringLiteral("Older text."));
    ASSERT_TRUE(waitFor([&] { return server.requests().size() == 1; }));
    delayMs = 400;
    const QFuture<void> newer = reader->speak(QStringLiteral("Newer text."));
    ASSERT_TRUE(awaitFuture(older));
    QTest::qWait(250); // the older run's failure has arrived, the newer audio not yet
    EXPECT_TRUE(reader->isReading());
    EXPECT_TRUE(bubble.shown.isEmpty());
    EXPECT_TRUE(state.flashMessage().isEmpty());
    playThrough(newer);
}

TEST_F(ReaderControllerTest, OnlyAFailedFirstChunkFlashes) {
    answers.insert(kFirst, Response::bytes(QByteArray(100, 'x'), "audio/wav")); // 100 bytes hold no speech
    QFuture<void> reading = reader->speak(kThreeChunks);
    ASSERT_TRUE(awaitFuture(reading));
    EXPECT_FALSE(reader->isReading());
    EXPECT_EQ(state.flashMessage(),
              QStringLiteral("Could not start Wren. The first use of a voice needs a moment online."));
    EXPECT_EQ(bubble.shown, QList<BubbleMode>{BubbleMode::Flash});
    EXPECT_EQ(bubble.hides, QList<std::chrono::milliseconds>{2200ms});
    ASSERT_EQ(platform.announcer.announcements.size(), 1);
    EXPECT_EQ(server.requests().size(), 1);

    answers.clear();
    answers.insert(kSecond, Response::bytes("nope", "text/plain", 503));
    state.setFlashMessage({});
    reading = reader->speak(kThreeChunks);
    playThrough(reading);
    EXPECT_EQ(played(), QStringList{kFirst});
    EXPECT_TRUE(state.flashMessage().isEmpty());
    EXPECT_EQ(bubble.shown.size(), 1);
    EXPECT_FALSE(reader->isReading());
}

TEST_F(ReaderControllerTest, EngineDownFlashesInTheDesktopsWordsWithTheVoiceName) {
    platform.wording.table.insert(QStringLiteral("Could not start %@. The first use of a voice needs a moment online."),
                                  QStringLiteral("Could not start %@. The speech engine did not answer."));
    voice = QStringLiteral("bf_emma");
    server.close();
    ASSERT_TRUE(awaitFuture(reader->speak(QStringLiteral("Hello there."))));
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Could not start Ivy. The speech engine did not answer."));

    ASSERT_TRUE(awaitFuture(reader->speak(QStringLiteral("Hello there."), QStringLiteral("xx_unknown"))));
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Could not start that voice. The speech engine did not answer."));
}

TEST_F(ReaderControllerTest, AnUnplayableChunkIsSkippedAndAStuckPlayerIsGivenUp) {
    answers.insert(kSecond, Response::bytes("BAD" + QByteArray(200, 'x'), "audio/wav"));
    platform.audioPlayers.neverFinishes = true;
    platform.audioPlayers.duration = 30ms;
    const QFuture<void> reading = reader->speak(kThreeChunks);
    // No sound ever reports its end: the watchdog moves the run on.
    ASSERT_TRUE(awaitFuture(reading, 5000));
    EXPECT_EQ(played(), (QStringList{kFirst, kThird}));
    EXPECT_EQ(server.requests().size(), 3);
    EXPECT_FALSE(reader->isReading());
}

TEST_F(ReaderControllerTest, StopWhileWaitingForTheEngineSpeaksNothing) {
    engine = std::make_unique<QPromise<bool>>();
    engine->start();
    const QFuture<void> reading = reader->speak(QStringLiteral("Never heard."));
    reader->stop();
    EXPECT_FALSE(reader->isReading());
    engine->addResult(true);
    engine->finish();
    ASSERT_TRUE(awaitFuture(reading));
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ReaderControllerTest, AStopWhileTheSelectionIsReadAbandonsTheReading) {
    QPromise<std::optional<QString>> copied;
    copied.start();
    ReaderController::Services s = services();
    s.selectedText = [&copied](QObject*) { return copied.future(); };
    ReaderController slow(state, s);
    const QFuture<void> reading = slow.readSelection();
    slow.stop();
    copied.addResult(QStringLiteral("Selected words."));
    copied.finish();
    ASSERT_TRUE(awaitFuture(reading));
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(slow.isReading());
}

TEST_F(ReaderControllerTest, StopEndsEveryReadingRoadAndStopEverythingAlsoHidesTheirWindows) {
    QFuture<void> reading = reader->speak(QStringLiteral("Some text."));
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 1; }));
    calls.clear();
    reader->stop();
    EXPECT_TRUE(reading.isFinished());
    EXPECT_TRUE(reading.isCanceled());
    EXPECT_FALSE(reader->isReading());
    EXPECT_EQ(calls, (QStringList{"translation", "read-along"}));

    reading = reader->speak(QStringLiteral("Some text."));
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 2; }));
    calls.clear();
    reader->stopEverything();
    EXPECT_TRUE(reading.isCanceled());
    EXPECT_FALSE(reader->isReading());
    EXPECT_EQ(calls, (QStringList{"translation", "read-along", "bar", "hide read-along"}));
}

TEST_F(ReaderControllerTest, ANewReadingSilencesTheOtherReadingRoad) {
    // The read-along window may be speaking: a reading here stops it first.
    QFuture<void> direct = reader->speak(QStringLiteral("Some text."));
    EXPECT_EQ(calls, QStringList{"read-along"});
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 1; }));

    // Reading the selection in the read-along window stops this one.
    calls.clear();
    selection = QStringLiteral("Selected words.");
    readAlongWindow = true;
    ASSERT_TRUE(awaitFuture(reader->readSelection()));
    EXPECT_EQ(calls, QStringList{"read-along:Selected words."});
    EXPECT_TRUE(platform.audioPlayers.made.first()->stopped);
    EXPECT_TRUE(direct.isCanceled());
    EXPECT_FALSE(reader->isReading());
}

TEST_F(ReaderControllerTest, AReadingWithNoSoundOutputSaysSo) {
    const QString couldNotPlay = QStringLiteral("That audio could not be played.");
    // An output that cannot be opened: one flash for the reading, not one per chunk.
    platform.audioPlayers.refusesToStart = true;
    ASSERT_TRUE(awaitFuture(reader->speak(kThreeChunks)));
    EXPECT_EQ(state.flashMessage(), couldNotPlay);
    EXPECT_EQ(bubble.shown, QList<BubbleMode>{BubbleMode::Flash});
    EXPECT_FALSE(reader->isReading());

    // No output device at all.
    state.setFlashMessage({});
    Platform noOutput = platform.services();
    noOutput.audioPlayers = nullptr;
    const Platform previous = Platform::install(noOutput);
    const bool finished = awaitFuture(reader->speak(QStringLiteral("Hello there.")));
    Platform::install(previous);
    ASSERT_TRUE(finished);
    EXPECT_EQ(state.flashMessage(), couldNotPlay);
    EXPECT_FALSE(reader->isReading());
}

struct VoiceRow {
    const char* language;
    double probability;
    const char* selected;
    std::optional<QString> override;
    const char* expectedVoice; // nullptr: the system voice speaks
};

TEST_F(ReaderControllerTest, ChoosesTheVoiceByTheTextsLanguage) {
    platform.systemSpeech.installed = {
        {"de-1", "Anna", "de-DE", 1}, {"de-3", "Petra", "de-AT", 3}, {"fr-1", "Amelie", "fr-FR", 1}};
    const VoiceRow rows[] = {
        {"de", 0.9, "af_heart", std::nullopt, nullptr},
        {"de", 0.5, "af_heart", std::nullopt, "af_heart"},
        {"en", 0.9, "bf_emma", std::nullopt, "bf_emma"},
        {"en", 0.9, "ef_dora", std::nullopt, "af_heart"},
        {"es", 0.9, "af_heart", std::nullopt, "ef_dora"},
        {"de", 0.9, "af_heart", QStringLiteral("bm_george"), "bm_george"},
        {"en", 0.9, "af_heart", QStringLiteral("zz_custom"), "zz_custom"},
    };
    for (const VoiceRow& row : rows) {
        SCOPED_TRACE(std::string(row.language) + " " + row.selected + " " + row.override.value_or("-").toStdString());
        platform.languageDetector.answer(QString::fromLatin1(row.language), row.probability);
        voice = QString::fromLatin1(row.selected);
        const qsizetype requestsBefore = server.requests().size();
        const qsizetype spokenBefore = platform.systemSpeech.spoken.size();
        const QFuture<void> reading = reader->speak(QStringLiteral("Ein Satz, der vorgelesen wird."), row.override);
        if (!row.expectedVoice) {
            ASSERT_TRUE(waitFor([&] { return platform.systemSpeech.speaking(); }));
            EXPECT_EQ(platform.systemSpeech.voicesUsed.last(), QStringLiteral("de-3")) << "premium first";
            EXPECT_TRUE(reader->isReading());
            platform.systemSpeech.finish();
            ASSERT_TRUE(awaitFuture(reading));
            EXPECT_FALSE(reader->isReading());
            EXPECT_EQ(server.requests().size(), requestsBefore);
            continue;
        }
        playThrough(reading);
        EXPECT_EQ(platform.systemSpeech.spoken.size(), spokenBefore);
        ASSERT_EQ(server.requests().size(), requestsBefore + 1);
        const QJsonObject body = bodyOf(server.requests().last());
        EXPECT_EQ(body.value("voice").toString(), QLatin1String(row.expectedVoice));
        const QChar letter = QLatin1String(row.expectedVoice).front();
        EXPECT_EQ(body.value("lang_code").toString(),
                  QStringLiteral("abefip").contains(letter) ? QString(letter) : QStringLiteral("a"));
    }
}

TEST_F(ReaderControllerTest, ALanguageWithoutAnyVoiceFlashesItsName) {
    platform.languageDetector.answer(QStringLiteral("de"), 0.95);
    ASSERT_TRUE(awaitFuture(reader->speak(QStringLiteral("Ein Satz, der vorgelesen wird."))));
    EXPECT_TRUE(state.flashMessage().startsWith(QStringLiteral("This Mac has no voice for ")));
    EXPECT_TRUE(state.flashMessage().endsWith(u'.'));
    EXPECT_FALSE(reader->isReading());
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ReaderControllerTest, ReadSelectionFlashesWithoutTextAndUsesTheReadAlongWindowWhenAsked) {
    ASSERT_TRUE(awaitFuture(reader->readSelection()));
    EXPECT_EQ(state.flashMessage(), QStringLiteral("No selected text found. Highlight text first."));

    selection = QStringLiteral("Selected words.");
    readAlongWindow = true;
    ASSERT_TRUE(awaitFuture(reader->readSelection()));
    EXPECT_EQ(calls, QStringList{"read-along:Selected words."});
    EXPECT_TRUE(server.requests().isEmpty());

    readAlongWindow = false;
    const QFuture<void> reading = reader->readSelection();
    ASSERT_TRUE(waitFor([&] { return platform.audioPlayers.made.size() == 1; }));
    EXPECT_EQ(platform.audioPlayers.made.first()->volume, 1.0f);
    playThrough(reading);
    EXPECT_EQ(played(), QStringList{"Selected words."});
}

} // namespace
