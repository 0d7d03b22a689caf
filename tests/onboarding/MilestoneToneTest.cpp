#include "onboarding/MilestoneTone.h"
#include "support/Artifacts.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

namespace {

qint16 sampleAt(const QByteArray& wav, int frame) {
    return qFromLittleEndian<qint16>(wav.constData() + 44 + frame * 2);
}

TEST(MilestoneToneTest, TheChimeIsAComplete44kMonoWavFile) {
    const QByteArray wav = MilestoneTone::wav(MilestoneTone::kSampleRate, MilestoneTone::kSeconds);
    ASSERT_EQ(wav.size(), 58256);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 4), 58248U);
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 16), 16U);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 20), 1);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 22), 1);
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 24), 44100U);
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 28), 88200U);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 32), 2);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 34), 16);
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 40), 58212U);

    QDir().mkpath(Artifacts::folder());
    QFile out(QDir(Artifacts::folder()).filePath(QStringLiteral("milestone-chime.wav")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(wav);
}

TEST(MilestoneToneTest, SamplesStartSilentAndStayAudibleWithinRange) {
    const QByteArray wav = MilestoneTone::wav(MilestoneTone::kSampleRate, MilestoneTone::kSeconds);
    ASSERT_EQ(wav.size(), 58256);
    EXPECT_EQ(sampleAt(wav, 0), 0);
    int peak = 0;
    for (int k = 0; k < 29106; ++k)
        peak = std::max(peak, std::abs(static_cast<int>(sampleAt(wav, k))));
    EXPECT_LE(peak, 32000);
    EXPECT_GT(peak, 1000) << "the chime is audible";
}

TEST(MilestoneToneTest, LengthsFollowTheRateAndImpossibleOnesGiveNothing) {
    EXPECT_EQ(MilestoneTone::wav(8000, 0.5).size(), 44 + 8000);
    EXPECT_EQ(MilestoneTone::wav(44100, 0).size(), 44);
    EXPECT_TRUE(MilestoneTone::wav(44100, -1).isEmpty());
    EXPECT_TRUE(MilestoneTone::wav(44100, 1e9).isEmpty());
}

TEST(MilestoneToneTest, PlayingUsesHalfVolumeAndANewChimeEndsTheLastOne) {
    ScopedFakePlatform platform;
    MilestoneTone::play();
    ASSERT_EQ(platform.audioPlayers.made.size(), 1);
    EXPECT_EQ(platform.audioPlayers.made[0]->wav.size(), 58256);
    EXPECT_FLOAT_EQ(platform.audioPlayers.made[0]->volume, 0.5F);
    EXPECT_TRUE(platform.audioPlayers.made[0]->playing);
    MilestoneTone::play();
    ASSERT_EQ(platform.audioPlayers.made.size(), 2);
    EXPECT_TRUE(platform.audioPlayers.made[0]->stopped);
    EXPECT_TRUE(platform.audioPlayers.made[1]->playing);
}

} // namespace
