// The Linux services of reading aloud on the harness's desktop: WAV playback
// through the audio sink into PulseAudio, the primary selection with its
// owner's process, and the copy road with the real clipboard.
#include "audio/WavData.h"
#include "dictation_e2e/DictationTarget.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/QtAudioSinkPlayers.h"
#include "platform/linux/X11PrimarySelection.h"
#include "reader/ReaderSelection.h"
#include "support/Await.h"
#include "support/SpeakerMonitor.h"

#include <QElapsedTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace std::chrono_literals;

// A tone of `seconds` as the speech server's 16-bit PCM WAV.
QByteArray tone(double seconds) {
    QList<float> samples;
    for (int i = 0; i < int(seconds * WavData::kSampleRate); ++i)
        samples << 0.5f * float(std::sin(2 * std::numbers::pi * 440.0 * i / WavData::kSampleRate));
    return WavData::encode(samples);
}

class LinuxReaderServicesTest : public testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    }
    QtAudioSinkPlayers players;
};

TEST_F(LinuxReaderServicesTest, APlayerPlaysTheWholeSoundToTheSpeakerAndReportsItsEnd) {
    std::unique_ptr<AudioPlayer> player = players.create(tone(0.8));
    ASSERT_TRUE(player);
    EXPECT_EQ(player->duration(), 800ms);
    bool finished = false;
    player->setFinished([&] { finished = true; });
    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->position() > 0ms; }, 2000));
    EXPECT_TRUE(player->isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 3000));
    EXPECT_GE(clock.elapsed(), 700);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_EQ(player->position(), 800ms);
    QTest::qWait(300);
    EXPECT_NEAR(SpeakerMonitor::voicedSeconds(speaker.stop()), 0.8, 0.15);
}

TEST_F(LinuxReaderServicesTest, RateAndSeekShortenTheSoundAndStopEndsItSilently) {
    std::unique_ptr<AudioPlayer> player = players.create(tone(1.2));
    ASSERT_TRUE(player);
    bool finished = false;
    player->setFinished([&] { finished = true; });
    player->setRate(2.0);
    player->seek(600ms);
    EXPECT_EQ(player->position(), 600ms);
    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    QTest::qWait(200);
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 3000));
    QTest::qWait(300);
    // 0.6 s of sound left at twice the speed.
    EXPECT_NEAR(SpeakerMonitor::voicedSeconds(speaker.stop()), 0.3, 0.15);

    std::unique_ptr<AudioPlayer> stopped = players.create(tone(1.0));
    ASSERT_TRUE(stopped);
    bool stoppedFinished = false;
    stopped->setFinished([&] { stoppedFinished = true; });
    ASSERT_TRUE(stopped->play());
    QTest::qWait(100);
    stopped->stop();
    QTest::qWait(1200);
    EXPECT_FALSE(stoppedFinished);
}

// The direct reader's road: each chunk appended once the one before it plays.
// What playback has passed is let go, so a long reading holds the chunk
// playing and the next, not the whole reading; position and duration still
// count from the start of the first chunk.
TEST_F(LinuxReaderServicesTest, AStreamOfAppendedSoundsHoldsOnlyWhatIsStillToPlay) {
    constexpr int kChunks = 8;
    constexpr auto kChunk = 500ms;
    const QByteArray chunk = tone(0.5);
    std::unique_ptr<AudioPlayer> player = players.create(chunk);
    ASSERT_TRUE(player);
    bool finished = false;
    player->setFinished([&] { finished = true; });
    ASSERT_TRUE(player->play());
    for (int i = 1; i < kChunks; ++i) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return player->position() >= kChunk * (i - 1); }, 3000)) << "chunk " << i;
        ASSERT_TRUE(player->append(chunk)) << "chunk " << i;
    }
    EXPECT_EQ(player->duration(), kChunk * kChunks);
    // Back to the start reaches no further than the chunk that played at the
    // last append: the ones before it are gone.
    player->seek(0ms);
    EXPECT_GE(player->position(), kChunk * (kChunks - 2));
    EXPECT_EQ(player->duration(), kChunk * kChunks);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 3000));
    EXPECT_EQ(player->position(), kChunk * kChunks);
}

TEST_F(LinuxReaderServicesTest, BytesThatAreNoPcmWavMakeNoPlayer) {
    EXPECT_FALSE(players.create(QByteArray()));
    EXPECT_FALSE(players.create("RIFF\x10\0\0\0WAVEjunk"));
    QByteArray empty = tone(0.1);
    empty.truncate(44);
    EXPECT_FALSE(players.create(empty)) << "no samples";
    QByteArray mp3 = tone(0.1);
    mp3[20] = 0x55; // the format tag of MPEG layer 3
    EXPECT_FALSE(players.create(mp3));
}

TEST_F(LinuxReaderServicesTest, ThePrimarySelectionNamesTheProcessThatHoldsIt) {
    DictationTarget target;
    ASSERT_TRUE(target.ready());
    // A text area offers its selection as soon as it is made.
    ASSERT_TRUE(target.ask(QStringLiteral("focus area"), QStringLiteral("focused")));
    ASSERT_TRUE(target.ask(QStringLiteral("type selected words"), QStringLiteral("typed")));
    ASSERT_TRUE(target.ask(QStringLiteral("selectall"), QStringLiteral("selected")));
    X11PrimarySelection primary;
    std::optional<PrimarySelection::Owned> owned;
    const bool found = QTest::qWaitFor(
        [&] {
            owned = awaitResult(primary.read());
            return owned && owned->text == QLatin1String("selected words");
        },
        5000);
    ASSERT_TRUE(found) << (owned ? owned->text.toStdString() + " from " + std::to_string(owned->ownerPid) : "none");
    EXPECT_EQ(owned->ownerPid, target.pid());
}

// The reader key pressed twice, or the tray row and a double-tap, within the
// time one copy takes: both copies run against the real clipboard of the
// desktop, with Ctrl+C posted to another application through XTest.
TEST_F(LinuxReaderServicesTest, TwoQuickReadsOnTheCopyRoadLeaveTheClipboardsTextAndImage) {
    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog.");
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());
    DictationTarget target;
    ASSERT_TRUE(target.ready());
    ASSERT_TRUE(target.focusLine());
    ASSERT_TRUE(target.ask(QStringLiteral("type ") + sentence, QStringLiteral("typed")));
    ASSERT_TRUE(target.ask(QStringLiteral("copy what the user copied"), QStringLiteral("copied")));
    ASSERT_TRUE(target.ask(QStringLiteral("selectall"), QStringLiteral("selected")));
    // The formats listed depend on who serves the clipboard, so the text and
    // the image are compared.
    const auto text = [&] {
        return target.ask(QStringLiteral("clipboard"), QStringLiteral("clipboard"))
            .value_or(QString())
            .section(u' ', 2);
    };
    const auto image = [&] { return target.ask(QStringLiteral("clipboard image"), QStringLiteral("image")); };
    const QString textBefore = text();
    ASSERT_EQ(QString::fromUtf8(QByteArray::fromBase64(textBefore.toLatin1())), QStringLiteral("what the user copied"));
    ASSERT_EQ(image(), QStringLiteral("image 8x8 #ff0000"));

    // Without the focused element's selection or the primary selection, the
    // selection can only be read by copying it.
    Platform copyRoad = linux.services();
    copyRoad.accessibility = nullptr;
    copyRoad.primarySelection = nullptr;
    Platform::install(copyRoad);
    QObject context;
    const QFuture<std::optional<QString>> first = ReaderSelection::read(&context);
    const QFuture<std::optional<QString>> second = ReaderSelection::read(&context);
    EXPECT_EQ(awaitResult(first), sentence);
    EXPECT_EQ(awaitResult(second), sentence);
    EXPECT_EQ(text(), textBefore);
    EXPECT_EQ(image(), QStringLiteral("image 8x8 #ff0000"));
    Platform::install(previous);
}

} // namespace
