#include "audio/WavData.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <limits>

namespace {

quint32 u32(const QByteArray& wav, int at) { return qFromLittleEndian<quint32>(wav.constData() + at); }
qint16 sample(const QByteArray& wav, int index) { return qFromLittleEndian<qint16>(wav.constData() + 44 + 2 * index); }

TEST(WavDataTest, TheHeaderIsTheCanonicalFortyFourBytes) {
    const QByteArray wav = WavData::encode(QList<float>{0.0f, 0.25f, -0.25f});
    const QByteArray expected = QByteArray::fromHex("52494646" // RIFF
                                                    "2a000000" // 36 + 6
                                                    "57415645" // WAVE
                                                    "666d7420" // "fmt "
                                                    "10000000" // 16
                                                    "0100"     // PCM
                                                    "0100"     // mono
                                                    "803e0000" // 16000 Hz
                                                    "007d0000" // 32000 bytes per second
                                                    "0200"     // block alignment
                                                    "1000"     // 16 bits
                                                    "64617461" // data
                                                    "06000000" // 6 bytes
                                                    "0000"     // 0
                                                    "ff1f"     // 0.25 × 32767 = 8191.75 → 8191
                                                    "01e0");   // -8191
    EXPECT_EQ(wav.toHex().toStdString(), expected.toHex().toStdString());
}

TEST(WavDataTest, AnEmptyTakeIsTheHeaderAlone) {
    const QByteArray wav = WavData::encode(QList<float>{});
    ASSERT_EQ(wav.size(), 44);
    EXPECT_EQ(u32(wav, 4), 36u);
    EXPECT_EQ(u32(wav, 40), 0u);
}

TEST(WavDataTest, SamplesAreClampedAndTruncatedTowardZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const QList<float> samples{1.5f, -1.5f, 0.5f, -0.5f, 1.0f, -1.0f, 0.99999f, 1e-6f, -1e-6f, nan, inf, -inf};
    const QByteArray wav = WavData::encode(samples);
    ASSERT_EQ(wav.size(), 44 + 2 * samples.size());
    EXPECT_EQ(u32(wav, 40), quint32(2 * samples.size()));
    const QList<qint16> expected{32767, -32767, 16383, -16383, 32767, -32767, 32766, 0, 0, 0, 32767, -32767};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(sample(wav, i), expected[i]) << "sample " << i;
}

TEST(WavDataTest, SpanAndListGiveTheSameBytes) {
    const std::vector<float> take{0.1f, -0.2f, 0.3f};
    EXPECT_EQ(WavData::encode(std::span<const float>(take)), WavData::encode(QList<float>{0.1f, -0.2f, 0.3f}));
}

// A kept take is read back as the samples it was made of, to the 16-bit step.
TEST(WavDataTest, AFileItWroteDecodesToItsSamplesAndNoOtherLayoutDoes) {
    const QList<float> take{0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 0.001f};
    const QByteArray wav = WavData::encode(take);
    const std::optional<QList<float>> decoded = WavData::decode(wav);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), take.size());
    for (qsizetype i = 0; i < take.size(); ++i)
        EXPECT_NEAR((*decoded)[i], take[i], 1.0f / 32767.0f) << "sample " << i;
    EXPECT_EQ(WavData::decode(WavData::encode(QList<float>{})), QList<float>{});

    const auto changed = [&wav](int at, const QByteArray& bytes) {
        return QByteArray(wav).replace(at, bytes.size(), bytes);
    };
    EXPECT_FALSE(WavData::decode(wav.left(43))) << "shorter than the header";
    EXPECT_FALSE(WavData::decode(wav.chopped(2))) << "fewer samples than the header says";
    EXPECT_FALSE(WavData::decode(changed(0, "RIFX")));
    EXPECT_FALSE(WavData::decode(changed(22, QByteArray::fromHex("0200")))) << "stereo";
    EXPECT_FALSE(WavData::decode(changed(24, QByteArray::fromHex("44ac0000")))) << "44.1 kHz";
    EXPECT_FALSE(WavData::decode(changed(40, QByteArray::fromHex("ffffffff")))) << "a data size past the file";
}

} // namespace
