// A stop ends every reading road: the translated reading speaks its pieces
// through the reader one after another, and neither the user's "Stop Reading"
// nor a voice sample started over it may let the next piece be spoken.
#include "reader/ReaderController.h"
#include "reader/VoiceAudition.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/LoopbackHttpServer.h"
#include "translation/TranslateKeys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using PairStatus = OnDeviceTranslator::PairStatus;

const QString kPassage = QStringLiteral("Good morning. The meeting moved to three. Please bring the slides.");
const QString kFirstPiece = QStringLiteral("Buenos días.");
const QString kSecondPiece = QStringLiteral("La reunión pasó a las tres.");

// The reader and the translated reading wired as the program wires them, the
// speech engine a loopback server, the translator and the speakers fakes.
class StoppedReadingTest : public testing::Test {
protected:
    void SetUp() override {
        Defaults::shared().set(QStringLiteral("translationReadTarget"), QStringLiteral("es"));
        fakes.languageDetector.answer(QStringLiteral("en"));
        fakes.onDeviceTranslator.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
        fakes.onDeviceTranslator.holdAnswers = true;
        ASSERT_TRUE(server.listen());
        server.on("POST", "/v1/audio/speech", [](const LoopbackHttpServer::Request& request) {
            const QString input = QJsonDocument::fromJson(request.body).object().value("input").toString();
            return LoopbackHttpServer::Response::bytes("RIFF" + input.toUtf8() + QByteArray(120, '\0'), "audio/wav");
        });

        ReaderController::Services readerServices;
        readerServices.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
        readerServices.server = server.url();
        readerServices.selectedVoice = [] { return QStringLiteral("af_heart"); };
        reader = std::make_unique<ReaderController>(state, readerServices);

        TranslateKeys::Services keyServices;
        keyServices.available = [] { return true; };
        keyServices.speak = [this](const QString& text) { return reader->speak(text); };
        keyServices.split = [](const QString& text) { return text.split(QStringLiteral(". "), Qt::SkipEmptyParts); };
        keyServices.translatePiece = [this](const QString& text, const QString& source, const QString& target) {
            return fakes.onDeviceTranslator.translate(text, source, target);
        };
        keyServices.now = [] { return TranslateKeys::Clock::time_point{}; };
        keys = std::make_unique<TranslateKeys>(state, keyServices);

        ReaderController::Peers peers;
        peers.abandonTranslatedReading = [this] { keys->abandon(); };
        reader->setPeers(peers);
    }
    void TearDown() override { Defaults::shared().remove(QStringLiteral("translationReadTarget")); }

    // Answers the oldest translation still waiting.
    void answer(const QString& text) {
        ASSERT_LT(answered, fakes.onDeviceTranslator.held.size());
        auto& promise = fakes.onDeviceTranslator.held[answered++];
        promise->addResult(std::optional<QString>(text));
        promise->finish();
        QCoreApplication::processEvents();
    }
    // The texts the speakers were given, in order.
    QStringList played() const {
        QStringList out;
        for (const QByteArray& wav : fakes.audioPlayers.played())
            out << QString::fromUtf8(wav.mid(4, wav.indexOf('\0') - 4));
        return out;
    }
    // Waits until the newest sound, the one whose text starts with `start`, plays.
    bool playing(const QString& start) {
        return QTest::qWaitFor([&] {
            return !fakes.audioPlayers.made.isEmpty() && played().last().startsWith(start)
                   && fakes.audioPlayers.made.last()->playing;
        });
    }
    // Lets anything that would still happen happen.
    static void settle() { QTest::qWait(150); }

    ScopedFakePlatform fakes;
    AppState state;
    LoopbackHttpServer server;
    std::unique_ptr<ReaderController> reader;
    std::unique_ptr<TranslateKeys> keys;
    int answered = 0;
};

TEST_F(StoppedReadingTest, StopReadingWhileAPieceIsSpokenEndsThePassage) {
    const QFuture<void> passage = keys->readTranslated(kPassage);
    answer(kFirstPiece);
    answer(kSecondPiece);
    ASSERT_TRUE(playing(kFirstPiece));

    reader->stop();
    settle();
    EXPECT_TRUE(passage.isFinished());
    EXPECT_EQ(played(), QStringList{kFirstPiece});
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_FALSE(reader->isReading());
}

TEST_F(StoppedReadingTest, StopReadingWhileTheNextPieceIsTranslatedEndsThePassage) {
    const QFuture<void> passage = keys->readTranslated(kPassage);
    answer(kFirstPiece);
    ASSERT_TRUE(playing(kFirstPiece));
    ASSERT_TRUE(fakes.audioPlayers.finishCurrent());
    settle(); // the first piece is over; the second is still being translated

    reader->stop();
    answer(kSecondPiece);
    settle();
    EXPECT_TRUE(passage.isFinished());
    EXPECT_EQ(played(), QStringList{kFirstPiece});
}

TEST_F(StoppedReadingTest, AVoiceSampleOverAPassageIsHeardToItsEndAndThePassageEnds) {
    VoiceAudition audition([this](const QString& text, const QString& voice) { return reader->speak(text, voice); });
    const KokoroVoice wren = KokoroVoice::all().first();
    const QFuture<void> passage = keys->readTranslated(kPassage);
    answer(kFirstPiece);
    answer(kSecondPiece);
    ASSERT_TRUE(playing(kFirstPiece));

    audition.play(wren);
    const QString sample = QStringLiteral("Hi, I'm ") + wren.name;
    ASSERT_TRUE(playing(sample)) << played().join(" | ").toStdString();
    settle();
    EXPECT_TRUE(passage.isFinished());
    EXPECT_TRUE(fakes.audioPlayers.made.last()->playing) << "the next piece cut the sample off";
    ASSERT_TRUE(fakes.audioPlayers.finishCurrent());
    settle();
    ASSERT_EQ(played().size(), 2) << played().join(" | ").toStdString();
    EXPECT_TRUE(played().last().startsWith(sample));
    EXPECT_EQ(audition.playing(), std::nullopt);

    // Stop Reading during a sample ends its playing look too.
    audition.play(wren);
    ASSERT_TRUE(QTest::qWaitFor([&] { return played().size() == 3; }));
    EXPECT_EQ(audition.playing(), wren.id);
    reader->stop();
    settle();
    EXPECT_EQ(audition.playing(), std::nullopt);
}

} // namespace
