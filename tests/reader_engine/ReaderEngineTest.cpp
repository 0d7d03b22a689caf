// The reader's two speech clients against the stand-in engine: prepared text
// with pronunciation markup comes back as speech, and the markup is neither
// spoken as words nor timed.
#include "engine/MlxServer.h"
#include "platform/Platform.h"
#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/ProcProcessTable.h"
#include "reader/ReaderController.h"
#include "reader/ReaderWindowController.h"
#include "reader/SpeechPreparation.h"
#include "support/Await.h"
#include "support/EngineWait.h"
#include "support/PortLock.h"
#include "support/QtPrinting.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEngine.h"

#include <QFile>
#include <QtEndian>

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
    const std::optional<QByteArray> plain =
        awaitResult(ReaderController::synthesize(MlxServer::baseURL(), kSentence, QStringLiteral("af_heart"), 1.0), 60000);
    ASSERT_TRUE(plain);
    EXPECT_NEAR(seconds(*wav), seconds(*plain), 0.25);
}

TEST_F(ReaderEngineTest, TimedSpeechGivesRisingWordTimesWithoutMarkup) {
    const auto result = awaitResult(ReaderWindowController::synthesizeTimed(prepared(), QStringLiteral("bf_emma")), 60000);
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

} // namespace
