#include "audio/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A tone of `seconds` at `rate`, interleaved over `channels` equal channels.
std::vector<float> tone(double frequency, int rate, double seconds, int channels = 1, float amplitude = 0.5f) {
    const qsizetype frames = qsizetype(std::llround(seconds * rate));
    std::vector<float> out(size_t(frames * channels));
    for (qsizetype i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[size_t(i * channels + c)] =
                amplitude * float(std::sin(2 * std::numbers::pi * frequency * double(i) / rate));
    return out;
}

// A linear sweep from `from` to `to` Hz.
std::vector<float> sweep(double from, double to, int rate, double seconds) {
    const qsizetype frames = qsizetype(seconds * rate);
    std::vector<float> out(static_cast<size_t>(frames));
    for (qsizetype i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        out[size_t(i)] =
            0.5f * float(std::sin(2 * std::numbers::pi * (from * t + (to - from) * t * t / (2 * seconds))));
    }
    return out;
}

QList<float> convert(const std::vector<float>& input, int rate, int channels = 1, qsizetype chunk = 4096) {
    auto resampler = Resampler::create(rate, channels);
    QList<float> out;
    for (size_t at = 0; at < input.size(); at += size_t(chunk * channels)) {
        const size_t count = std::min(input.size() - at, size_t(chunk * channels));
        resampler->process(input.data() + at, qsizetype(count) / channels, out);
    }
    return out;
}

double rms(const QList<float>& samples, qsizetype from, qsizetype to) {
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(to - from));
}

// The frequency of a steady tone, from its interpolated zero crossings.
double measuredFrequency(const QList<float>& samples, qsizetype from, qsizetype to) {
    double first = -1, last = -1;
    int crossings = 0;
    for (qsizetype i = from; i + 1 < to; ++i) {
        const float a = samples[i], b = samples[i + 1];
        if ((a < 0) != (b < 0)) {
            const double at = double(i) + double(a) / double(a - b);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return (crossings - 1) / 2.0 / ((last - first) / Resampler::targetRate);
}

class ResamplerRates : public testing::TestWithParam<int> {};

TEST_P(ResamplerRates, TonesInTheSpeechBandKeepFrequencyAndLevel) {
    const int rate = GetParam();
    for (const double frequency : {150.0, 1000.0, 4000.0, 6300.0}) {
        const QList<float> out = convert(tone(frequency, rate, 1.5), rate);
        const qsizetype from = 4000, to = out.size() - 100;
        EXPECT_NEAR(measuredFrequency(out, from, to), frequency, frequency * 2e-5) << frequency << " Hz at " << rate;
        EXPECT_NEAR(rms(out, from, to), 0.5 / std::sqrt(2.0), 0.004) << frequency << " Hz at " << rate;
    }
}

TEST_P(ResamplerRates, NothingAboveEightKilohertzAliasesIntoTheTake) {
    const int rate = GetParam();
    const double reference = 0.5 / std::sqrt(2.0);
    const double fortyDecibelsDown = reference / 100.0;
    for (double frequency = 8000.0; frequency < rate / 2.0; frequency += 731.0) {
        const QList<float> out = convert(tone(frequency, rate, 0.5), rate);
        EXPECT_LT(rms(out, 1000, out.size()), fortyDecibelsDown) << frequency << " Hz at " << rate;
    }
    const QList<float> swept = convert(sweep(8000.0, rate / 2.0, rate, 2.0), rate);
    EXPECT_LT(rms(swept, 1000, swept.size()), fortyDecibelsDown);
}

TEST_P(ResamplerRates, AnUpwardSweepComesOutAtTheSameFrequencies) {
    const int rate = GetParam();
    const double seconds = 3.0;
    const QList<float> out = convert(sweep(200.0, 6200.0, rate, seconds), rate);
    // Over each tenth of a second the measured frequency follows the sweep.
    for (int window = 1; window < 29; ++window) {
        const qsizetype from = window * 1600, to = from + 1600;
        const double expected = 200.0 + 6000.0 * (window + 0.5) / 30.0;
        EXPECT_NEAR(measuredFrequency(out, from, to), expected, expected * 0.01 + 5.0) << "window " << window;
    }
}

TEST_P(ResamplerRates, TheLengthRatioIsExactWhateverTheBuffers) {
    const int rate = GetParam();
    const std::vector<float> input = sweep(100.0, 7000.0, rate, 2.53);
    const qint64 expected = (qint64(input.size()) * 16000 + rate - 1) / rate;
    EXPECT_EQ(Resampler::outputLength(qint64(input.size()), rate), expected);
    const QList<float> whole = convert(input, rate, 1, qsizetype(input.size()));
    EXPECT_EQ(whole.size(), expected);
    for (const qsizetype chunk : {1, 7, 441, 4096})
        EXPECT_EQ(convert(input, rate, 1, chunk), whole) << "chunks of " << chunk;
}

INSTANTIATE_TEST_SUITE_P(Rates, ResamplerRates, testing::Values(48000, 44100, 22050, 96000));

TEST(ResamplerTest, StereoIsAveragedToMono) {
    std::vector<float> stereo;
    for (float v : tone(1000.0, 48000, 0.5)) {
        stereo.push_back(v);
        stereo.push_back(0.0f);
    }
    const QList<float> mixed = convert(stereo, 48000, 2);
    const QList<float> mono = convert(tone(1000.0, 48000, 0.5, 1, 0.25f), 48000);
    ASSERT_EQ(mixed.size(), mono.size());
    for (qsizetype i = 0; i < mixed.size(); ++i)
        ASSERT_NEAR(mixed[i], mono[i], 1e-6) << i;
}

TEST(ResamplerTest, SixteenKilohertzMonoPassesBitForBit) {
    const std::vector<float> input = tone(1234.5, 16000, 0.3);
    const QList<float> out = convert(input, 16000, 1, 1000);
    EXPECT_EQ(out, QList<float>(input.begin(), input.end()));
}

TEST(ResamplerTest, ImpossibleFormatsAreRefused) {
    EXPECT_FALSE(Resampler::create(0, 1));
    EXPECT_FALSE(Resampler::create(48000, 0));
    EXPECT_FALSE(Resampler::create(std::nan(""), 1));
    EXPECT_FALSE(Resampler::create(1e9, 1));
    EXPECT_TRUE(Resampler::create(8000, 1));
    EXPECT_TRUE(Resampler::create(44100, 6));
}

} // namespace
