// The reader's two speech clients against the stand-in engine: prepared text
// with pronunciation markup comes back as speech, and the markup is neither
// spoken as words nor timed.
#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/ProcProcessTable.h"
#include "reader/ReaderController.h"
#include "reader/ReaderWindowController.h"
#include "reader/SpeechPreparation.h"
#include "support/Await.h"
#include "support/EngineWait.h"
#include "support/FakeAudioPlayers.h"
#include "support/PortLock.h"
#include "support/QtPrinting.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedLinuxWording.h"
#include "support/TestEngine.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const QString kSentence = QStringLiteral("I have read the letter and will read it again tomorrow.");

class ReaderEngineTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        engineFolder = TestEngine::folder();
        if (engineFolder.isEmpty())
            return;
        qputenv("QV_ENGINE_ROOT", QFile::encodeName(engineFolder));
        static ProcProcessTable processes;
        static PdeathsigChildProcesses children;
        Platform services = Platform::current();
        services.processTable = &processes;
        services.childProcesses = &children;
        Platform::install(services);
        portLock = std::make_unique<PortLock>(MlxServer::port);
        engineUp = startEngineHere();
    }
    static void TearDownTestSuite() {
        MlxServer::shared().stop();
        portLock.reset();
    }
    void SetUp() override {
        ASSERT_FALSE(engineFolder.isEmpty()) << "the test engine could not be made";
        ASSERT_TRUE(engineUp) << "the stand-in speech server did not answer";
    }

    static QString prepared() {
        return SpeechPreparation::applyPronunciations(kSentence, {}, [](const QString&) { return std::nullopt; });
    }

    static inline QString engineFolder;
    static inline bool engineUp = false;
    static inline std::unique_ptr<PortLock> portLock;
};

// The seconds of sound in a 16-bit PCM WAV file with a 44-byte header.
double seconds(const QByteArray& wav) {
    if (wav.size() < 44 || !wav.startsWith("RIFF"))
        return 0;
    const quint32 rate = qFromLittleEndian<quint32>(wav.constData() + 24);
    const quint16 channels = qFromLittleEndian<quint16>(wav.constData() + 22);
    return rate && channels ? double(wav.size() - 44) / (2.0 * channels * rate) : 0;
}

TEST_F(ReaderEngineTest, SpeechOfMarkedUpTextIsAWavOfTheSentence) {
    const QString text = prepared();
    ASSERT_TRUE(text.contains(QStringLiteral("[read](/ɹˈɛd/)"))) << text.toStdString();
    const std::optional<QByteArray> wav =
        awaitResult(ReaderController::synthesize(MlxServer::baseURL(), text, QStringLiteral("af_heart"), 1.0), 60000);
    ASSERT_TRUE(wav);
    EXPECT_GT(wav->size(), ReaderController::kMinimumSpeechBytes);
    EXPECT_TRUE(wav->startsWith("RIFF"));
    // Said as words, the phonemes and brackets would take seconds more.
    const std::optional<QByteArray> plain = awaitResult(
        ReaderController::synthesize(MlxServer::baseURL(), kSentence, QStringLiteral("af_heart"), 1.0), 60000);
    ASSERT_TRUE(plain);
    EXPECT_NEAR(seconds(*wav), seconds(*plain), 0.25);
}

TEST_F(ReaderEngineTest, TimedSpeechGivesRisingWordTimesWithoutMarkup) {
    const auto result =
        awaitResult(ReaderWindowController::synthesizeTimed(prepared(), QStringLiteral("bf_emma")), 60000);
    ASSERT_TRUE(result);
    EXPECT_GT(result->audio.size(), ReaderController::kMinimumSpeechBytes);
    EXPECT_GT(result->duration, 1.0);
    QStringList words;
    double previousStart = -1;
    for (const auto& word : result->words) {
        words << word.text;
        EXPECT_FALSE(word.text.contains(u'[') || word.text.contains(u'/') || word.text.contains(u'('))
            << word.text.toStdString();
        EXPECT_GT(word.start, previousStart) << word.text.toStdString();
        EXPECT_GE(word.end, word.start);
        EXPECT_LE(word.end, result->duration + 0.01);
        previousStart = word.start;
    }
    EXPECT_EQ(words.count(QStringLiteral("read")), 2) << words.join(u' ').toStdString();
    EXPECT_EQ(words.size(), kSentence.split(u' ').size()) << words.join(u' ').toStdString();
}

TEST(ReadAlongNotice, AReadingTheEngineCannotMakeSaysSoInTheChunkedReadersWords) {
    ScopedLinuxWording wording;
    FakeAudioPlayers players;
    ReaderWindowController::Services services;
    services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
    services.synthesize = [](const QString&, const QString&) {
        return QtFuture::makeReadyFuture(std::optional<ReaderWindowController::TimedResult>());
    };
    services.selectedVoice = [] { return QStringLiteral("af_heart"); };
    services.players = [&players] { return &players; };
    services.makesWindow = false;
    ReaderWindowController controller(services);
    ASSERT_TRUE(awaitFuture(controller.read(QStringLiteral("Hello there."))));
    EXPECT_EQ(controller.status(), QStringLiteral("That could not be read. The speech engine did not answer."));
    // The chunked reader says the same of the same failure.
    const QString chunked =
        Wording::of(QStringLiteral("Could not start %@. The first use of a voice needs a moment online."));
    EXPECT_TRUE(controller.status()->endsWith(chunked.section(u'.', 1)));
}

// A read-along reading of `text` with `voice` through the real engine; the
// sound goes nowhere.
struct ReadAlong {
    FakeAudioPlayers players;
    std::unique_ptr<ReaderWindowController> controller;

    ReadAlong(const QString& text, const QString& voice) {
        ReaderWindowController::Services services = ReaderWindowController::Services::standard();
        services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
        services.selectedVoice = [voice] { return voice; };
        services.players = [this] { return &players; };
        services.trace = [](const QString&) {};
        services.makesWindow = false;
        controller = std::make_unique<ReaderWindowController>(services);
        awaitFuture(controller->read(text), 60000);
    }
    QStringList shown() const {
        QStringList words;
        for (const ReaderTimeline::Word& word : controller->timeline().words)
            words << word.text;
        return words;
    }
};

TEST_F(ReaderEngineTest, TheReadAlongPageIsTheSourceTextAndSkipsLandOnItsSentences) {
    const QString paragraph = QStringLiteral(
        "The shop on the corner sold bread, milk and tea. A loaf cost $3.50, which seemed fair. Dr. Smith asked "
        "the baker, \"Is it fresh today?\" The baker smiled and nodded. Did he believe her? Nobody on the shore "
        "could say, and the evening went on. The lamps came on one by one along the harbour wall. Later, the "
        "fishermen walked home slowly, talking about the weather and the price of bread. Their wives waited by the "
        "doors with lanterns, calling the children in for supper. Somewhere a dog barked twice, then the whole town "
        "fell quiet under the stars.");
    ReadAlong reading(paragraph, QStringLiteral("af_heart"));
    ASSERT_FALSE(reading.controller->status()) << reading.controller->status()->toStdString();
    EXPECT_EQ(reading.shown(), paragraph.split(u' '));

    const ReaderTimeline& timeline = reading.controller->timeline();
    ASSERT_GT(timeline.duration, 30) << "the steps below need a long reading";
    QList<double> sentenceStarts;
    for (qsizetype i = 0; i < timeline.words.size(); ++i)
        if (i == 0 || timeline.words[i].sentence != timeline.words[i - 1].sentence)
            sentenceStarts << timeline.words[i].start;
    EXPECT_EQ(sentenceStarts.size(), 10);
    // From the middle of the reading, 15 s either way: the start of the
    // sentence that time falls in (neither of them the first).
    const double middle = timeline.duration * 0.6;
    for (const double step : {15.0, -15.0}) {
        const double target = std::clamp(middle + step, 0.0, timeline.duration);
        const double expected = *std::prev(std::upper_bound(sentenceStarts.begin(), sentenceStarts.end(), target));
        EXPECT_DOUBLE_EQ(timeline.seek(middle, step), expected) << "step " << step;
        EXPECT_NE(timeline.seek(middle, step), 0.0);
    }
}

TEST_F(ReaderEngineTest, ASpanishParagraphIsLitInSpanishWordByWordInOrder) {
    const QString paragraph = QStringLiteral(
        "El mercado abre temprano. \u00bfCu\u00e1nto cuesta el pan hoy? La se\u00f1ora pag\u00f3 dos euros y "
        "sali\u00f3 contenta.");
    ReadAlong reading(paragraph, QStringLiteral("ef_dora"));
    ASSERT_FALSE(reading.controller->status()) << reading.controller->status()->toStdString();
    EXPECT_EQ(reading.shown(), paragraph.split(u' '));
    const ReaderTimeline& timeline = reading.controller->timeline();
    for (qsizetype i = 1; i < timeline.words.size(); ++i)
        EXPECT_GT(timeline.words[i].start, timeline.words[i - 1].start) << timeline.words[i].text.toStdString();
    // Played through, the lit word only moves forward and reaches the last.
    int lit = -1;
    for (double time = 0; time <= timeline.duration; time += 0.05) {
        const int now = timeline.index(time).value_or(-1);
        EXPECT_GE(now, lit);
        lit = now;
    }
    EXPECT_EQ(lit, timeline.words.size() - 1);
    EXPECT_EQ(timeline.words.back().sentence, 2);
}

} // namespace
