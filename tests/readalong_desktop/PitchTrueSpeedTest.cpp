// Speed in the read-along window through the real audio output: faster
// reading keeps the voice's pitch, takes the shorter time, and the player's
// position (which lights the words) runs at the chosen speed.
#include "platform/AudioPlayer.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/SoundMeasures.h"
#include "support/SpeakerMonitor.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kSpeechRate = 24000;
constexpr double kPitch = 140;
constexpr double kSeconds = 3;

struct Heard {
    QByteArray pcm;
    // The player's position against the wall clock halfway through.
    double positionPace = 0;
};

Heard playAt(AudioPlayer::Factory& players, const QByteArray& wav, double rate) {
    Heard heard;
    SpeakerMonitor speaker;
    if (!speaker.started())
        return heard;
    QTest::qWait(200);
    std::unique_ptr<AudioPlayer> player = players.create(wav);
    if (!player)
        return heard;
    bool finished = false;
    player->setFinished([&finished] { finished = true; });
    player->setRate(rate);
    if (!player->play())
        return heard;
    // The pace is taken once the sound runs, past the output's start-up
    // (which the harness's null speaker can stretch past a second).
    if (!QTest::qWaitFor([&] { return player->position().count() > 300; }, 5000))
        return heard;
    const double startPosition = player->position().count();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(int(kSeconds / rate * 1000 / 3));
    heard.positionPace = (player->position().count() - startPosition) / double(clock.elapsed());
    (void)QTest::qWaitFor([&] { return finished; }, 10000);
    QTest::qWait(300);
    heard.pcm = speaker.stop();
    return heard;
}

} // namespace

TEST(PitchTrueSpeed, OneAndAHalfTimesKeepsThePitchTakesTwoThirdsOfTheTimeAndMovesThePosition) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());
    ASSERT_NE(Platform::current().audioPlayers, nullptr);
    const QByteArray wav = SoundMeasures::buzzWav(kPitch, kSeconds, kSpeechRate);

    const Heard normal = playAt(*Platform::current().audioPlayers, wav, 1.0);
    const Heard fast = playAt(*Platform::current().audioPlayers, wav, 1.5);
    ASSERT_FALSE(normal.pcm.isEmpty());
    ASSERT_FALSE(fast.pcm.isEmpty());

    const double normalPitch = SoundMeasures::fundamental(normal.pcm, SpeakerMonitor::kRate);
    const double fastPitch = SoundMeasures::fundamental(fast.pcm, SpeakerMonitor::kRate);
    EXPECT_NEAR(normalPitch, kPitch, kPitch * 0.05);
    // A faster sample rate would put it at 210 Hz.
    EXPECT_NEAR(fastPitch / normalPitch, 1.0, 0.1) << fastPitch << " Hz against " << normalPitch << " Hz";

    const double normalSpan = SoundMeasures::soundSpan(normal.pcm, SpeakerMonitor::kRate);
    const double fastSpan = SoundMeasures::soundSpan(fast.pcm, SpeakerMonitor::kRate);
    EXPECT_NEAR(normalSpan, kSeconds, 0.15);
    EXPECT_NEAR(fastSpan / normalSpan, 1 / 1.5, 0.06) << fastSpan << " s against " << normalSpan << " s";

    EXPECT_NEAR(normal.positionPace, 1.0, 0.15);
    EXPECT_NEAR(fast.positionPace, 1.5, 0.2);
    Platform::install(previous);
}
