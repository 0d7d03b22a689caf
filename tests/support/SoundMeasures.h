#pragma once

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <vector>

// Measures of recorded sound (16-bit little-endian mono PCM) for the desktop
// tests and benchmarks of playback: where the sound is, its silent gaps and
// its fundamental frequency.
namespace SoundMeasures {

inline std::vector<double> samplesOf(const QByteArray& pcm) {
    std::vector<double> samples(size_t(pcm.size() / 2));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
    return samples;
}

// Whether each frame of `frame` samples is louder (RMS) than `threshold`.
inline std::vector<bool> loudFrames(const std::vector<double>& samples, size_t frame, double threshold) {
    std::vector<bool> loud;
    for (size_t start = 0; start + frame <= samples.size(); start += frame) {
        double sum = 0;
        for (size_t i = start; i < start + frame; ++i)
            sum += samples[i] * samples[i];
        loud.push_back(std::sqrt(sum / double(frame)) > threshold);
    }
    return loud;
}

// Seconds from the first to the last loud frame.
inline double soundSpan(const QByteArray& pcm, int rate, double threshold = 300) {
    const size_t frame = size_t(rate / 1000); // 1 ms
    const std::vector<bool> loud = loudFrames(samplesOf(pcm), frame, threshold);
    const auto first = std::find(loud.begin(), loud.end(), true);
    if (first == loud.end())
        return 0;
    const auto last = std::find(loud.rbegin(), loud.rend(), true);
    return double(std::distance(first, last.base())) / 1000.0;
}

// The longest run of quiet 1 ms frames between the first and the last loud
// frame, in seconds.
inline double longestSilence(const QByteArray& pcm, int rate, double threshold = 300) {
    const std::vector<bool> loud = loudFrames(samplesOf(pcm), size_t(rate / 1000), threshold);
    const auto first = std::find(loud.begin(), loud.end(), true);
    if (first == loud.end())
        return 0;
    const auto last = std::find(loud.rbegin(), loud.rend(), true).base();
    int longest = 0;
    int run = 0;
    for (auto it = first; it != last; ++it) {
        run = *it ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest / 1000.0;
}

// The median fundamental frequency in Hz of the loud 40 ms frames (YIN's
// cumulative mean normalised difference, 70 to 500 Hz); 0 without any.
inline double fundamental(const QByteArray& pcm, int rate, double threshold = 300) {
    const std::vector<double> samples = samplesOf(pcm);
    const size_t frame = size_t(rate) / 25;
    const size_t shortest = size_t(rate / 500);
    const size_t longest = size_t(rate / 70);
    std::vector<double> found;
    for (size_t start = 0; start + frame + longest <= samples.size(); start += frame / 2) {
        double energy = 0;
        for (size_t i = start; i < start + frame; ++i)
            energy += samples[i] * samples[i];
        if (std::sqrt(energy / double(frame)) <= threshold)
            continue;
        std::vector<double> difference(longest + 1, 0);
        for (size_t lag = 1; lag <= longest; ++lag)
            for (size_t i = start; i < start + frame; ++i) {
                const double d = samples[i] - samples[i + lag];
                difference[lag] += d * d;
            }
        double running = 0;
        std::vector<double> normalised(longest + 1, 1);
        for (size_t lag = 1; lag <= longest; ++lag) {
            running += difference[lag];
            normalised[lag] = running > 0 ? difference[lag] * double(lag) / running : 1;
        }
        for (size_t lag = shortest; lag < longest; ++lag) {
            if (normalised[lag] < 0.15) {
                while (lag + 1 < longest && normalised[lag + 1] < normalised[lag])
                    ++lag;
                // Parabolic interpolation around the minimum.
                const double a = normalised[lag - 1], b = normalised[lag], c = normalised[lag + 1];
                const double shift = (a - 2 * b + c) != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0;
                found.push_back(double(rate) / (double(lag) + shift));
                break;
            }
        }
    }
    if (found.empty())
        return 0;
    std::nth_element(found.begin(), found.begin() + long(found.size() / 2), found.end());
    return found[found.size() / 2];
}

// A mono 16-bit WAV at `rate` of a voiced buzz: harmonics of `pitch` Hz under
// a syllable-like swell, `seconds` long.
inline QByteArray buzzWav(double pitch, double seconds, int rate) {
    const int count = int(seconds * rate);
    QByteArray pcm(count * 2, '\0');
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        double value = 0;
        for (int harmonic = 1; harmonic <= 6; ++harmonic)
            value += std::sin(2 * M_PI * pitch * harmonic * t) / harmonic;
        const double swell = 0.6 + 0.4 * std::sin(2 * M_PI * 3 * t);
        qToLittleEndian<qint16>(qint16(std::lround(value * swell * 9000)), pcm.data() + 2 * i);
    }
    QByteArray wav("RIFF");
    const auto put32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    const auto put16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    put32(quint32(36 + pcm.size()));
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(quint32(rate));
    put32(quint32(rate * 2));
    put16(2);
    put16(16);
    wav.append("data");
    put32(quint32(pcm.size()));
    wav.append(pcm);
    return wav;
}

} // namespace SoundMeasures
