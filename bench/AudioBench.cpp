// Speed of the take's conversions: WAV encoding of a minute of 16 kHz samples
// (aim: under 5 ms) and resampling a minute of 48 kHz capture (aim: under 20 ms).
#include "BenchRun.h"
#include "audio/Recorder.h"
#include "audio/Resampler.h"
#include "audio/WavData.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

std::vector<float> minuteOfAudio(int rate, int channels) {
    std::vector<float> samples(size_t(60) * rate * channels);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.6f * float(std::sin(double(i) * 0.01)) + 0.3f * float(std::sin(double(i) * 0.37));
    return samples;
}

void wavDataOfAMinute(benchmark::State& state) {
    const QList<float> take = [] {
        const std::vector<float> samples = minuteOfAudio(16000, 1);
        return QList<float>(samples.begin(), samples.end());
    }();
    for (auto _ : state)
        benchmark::DoNotOptimize(WavData::encode(take));
    state.SetBytesProcessed(state.iterations() * take.size() * qint64(sizeof(float)));
}
BENCHMARK(wavDataOfAMinute)->Unit(benchmark::kMillisecond);

// A minute of capture at `rate` with `channels`, converted in the recorder's 4096-frame buffers.
void resampleAMinute(benchmark::State& state) {
    const int rate = int(state.range(0));
    const int channels = int(state.range(1));
    const std::vector<float> capture = minuteOfAudio(rate, channels);
    const size_t buffer = size_t(Recorder::framesPerBuffer) * channels;
    for (auto _ : state) {
        auto resampler = Resampler::create(rate, channels);
        QList<float> out;
        out.reserve(60 * Resampler::targetRate + 64);
        for (size_t at = 0; at < capture.size(); at += buffer)
            resampler->process(capture.data() + at, qsizetype(std::min(buffer, capture.size() - at)) / channels, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(resampleAMinute)->Args({48000, 1})->Args({48000, 2})->Args({44100, 1})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The services the program's root installs, for the whole program, as its root holds them.
    SharedServices shared;
    return BenchRun::run(&argc, argv);
}
