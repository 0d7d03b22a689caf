#include "audio/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

// Stop-band attenuation and transition width of the anti-aliasing filter. The
// pass band ends at 81 % of the lower Nyquist frequency (6.5 kHz when
// downsampling to 16 kHz); the stop band starts at that Nyquist frequency.
constexpr double kAttenuationDb = 54.0;
constexpr double kPassFraction = 0.8125;
constexpr int kMaxPhases = 16000;
constexpr int kMaxChannels = 64;

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-12)
            break;
    }
    return sum;
}

typedef float Lanes __attribute__((vector_size(32)));

// The dot product of `count` floats (a multiple of 8), eight lanes at a time;
// built twice on x86-64, for processors with and without AVX2 and FMA.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
float dot(const float* a, const float* b, int count) {
    Lanes sum0 = {}, sum1 = {};
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        Lanes a0, b0, a1, b1;
        std::memcpy(&a0, a + i, sizeof a0);
        std::memcpy(&b0, b + i, sizeof b0);
        std::memcpy(&a1, a + i + 8, sizeof a1);
        std::memcpy(&b1, b + i + 8, sizeof b1);
        sum0 += a0 * b0;
        sum1 += a1 * b1;
    }
    for (; i < count; i += 8) {
        Lanes a0, b0;
        std::memcpy(&a0, a + i, sizeof a0);
        std::memcpy(&b0, b + i, sizeof b0);
        sum0 += a0 * b0;
    }
    sum0 += sum1;
    float total = 0;
    for (int lane = 0; lane < 8; ++lane)
        total += sum0[lane];
    return total;
}

} // namespace

std::unique_ptr<Resampler> Resampler::create(double sourceRate, int channelCount) {
    if (!std::isfinite(sourceRate) || channelCount < 1 || channelCount > kMaxChannels)
        return nullptr;
    const long long rate = std::llround(sourceRate);
    if (rate < 1000 || rate > 768000)
        return nullptr;
    const int up = targetRate / std::gcd(int(rate), targetRate);
    if (up > kMaxPhases)
        return nullptr;
    return std::unique_ptr<Resampler>(new Resampler(int(rate), channelCount));
}

Resampler::Resampler(int sourceRate, int channelCount) : m_sourceRate(sourceRate), m_channels(channelCount) {
    const int common = std::gcd(sourceRate, targetRate);
    m_up = targetRate / common;
    m_down = sourceRate / common;
    m_passThrough = sourceRate == targetRate;
    if (!m_passThrough)
        designFilter();
    m_input.assign(size_t(m_taps - 1), 0.0f);
}

void Resampler::designFilter() {
    // Kaiser-windowed sinc at the interpolated rate m_up × source rate.
    const double upRate = double(m_up) * m_sourceRate;
    const double nyquist = std::min(m_sourceRate, targetRate) / 2.0;
    const double transition = nyquist * (1.0 - kPassFraction);
    const double cutoff = nyquist - transition / 2.0;
    const double beta = 0.1102 * (kAttenuationDb - 8.7);
    const double width = 2.0 * M_PI * transition / upRate;
    const int length = int(std::ceil((kAttenuationDb - 8.0) / (2.285 * width))) + 1;
    m_taps = (length + m_up - 1) / m_up;
    m_taps = (m_taps + 7) / 8 * 8;
    const int total = m_taps * m_up;

    std::vector<double> h(size_t(total), 0.0);
    const double centre = (length - 1) / 2.0;
    const double normalisedCutoff = 2.0 * cutoff / upRate;
    const double windowScale = besselI0(beta);
    double sum = 0;
    for (int n = 0; n < length; ++n) {
        const double x = n - centre;
        const double sinc = x == 0 ? 1.0 : std::sin(M_PI * normalisedCutoff * x) / (M_PI * normalisedCutoff * x);
        const double r = 2.0 * n / (length - 1) - 1.0;
        const double window = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / windowScale;
        h[size_t(n)] = sinc * window;
        sum += h[size_t(n)];
    }
    // Unity gain at 0 Hz for every phase of the interpolated stream.
    const double gain = m_up / sum;

    // Output k takes phase p = k·down mod up and input i = ⌊k·down / up⌋:
    // y = Σ_t h[p + t·up] · x[i − t]. Stored reversed per phase.
    m_phases.assign(size_t(total), 0.0f);
    for (int p = 0; p < m_up; ++p)
        for (int t = 0; t < m_taps; ++t)
            m_phases[size_t(p) * m_taps + size_t(m_taps - 1 - t)] = float(h[size_t(p + t * m_up)] * gain);
}

qsizetype Resampler::capacityFor(qsizetype frames) const {
    return qsizetype(double(targetRate) / m_sourceRate * double(frames)) + 32;
}

qint64 Resampler::outputLength(qint64 frames, int sourceRate) {
    if (frames <= 0 || sourceRate <= 0)
        return 0;
    const qint64 common = std::gcd(qint64(sourceRate), qint64(targetRate));
    const qint64 up = targetRate / common, down = sourceRate / common;
    return (frames * up + down - 1) / down;
}

void Resampler::process(const float* interleaved, qsizetype frames, QList<float>& out) {
    if (frames <= 0)
        return;
    const size_t history = size_t(m_taps - 1);
    m_input.resize(history + size_t(frames));
    float* mono = m_input.data() + history;
    if (m_channels == 1) {
        std::memcpy(mono, interleaved, size_t(frames) * sizeof(float));
    } else if (m_channels == 2) {
        for (qsizetype f = 0; f < frames; ++f)
            mono[f] = (interleaved[2 * f] + interleaved[2 * f + 1]) * 0.5f;
    } else {
        const float scale = 1.0f / float(m_channels);
        for (qsizetype f = 0; f < frames; ++f) {
            const float* frame = interleaved + f * m_channels;
            float sum = 0;
            for (int c = 0; c < m_channels; ++c)
                sum += frame[c];
            mono[f] = sum * scale;
        }
    }

    if (m_passThrough) {
        out.append(QList<float>(mono, mono + frames));
        m_input.resize(history);
        return;
    }

    const qsizetype start = out.size();
    out.resize(start + capacityFor(frames));
    float* written = out.data() + start;
    qint64 next = m_nextInput;
    int phase = m_phase;
    while (next < frames) {
        *written++ = dot(m_phases.data() + size_t(phase) * m_taps, m_input.data() + next, m_taps);
        phase += m_down;
        next += phase / m_up;
        phase %= m_up;
    }
    out.resize(written - out.data());
    m_nextInput = next - frames;
    m_phase = phase;
    std::memmove(m_input.data(), m_input.data() + frames, history * sizeof(float));
    m_input.resize(history);
}
