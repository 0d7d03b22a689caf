#pragma once

#include <QList>

#include <memory>
#include <vector>

// Converts a stream of interleaved audio frames at the capture's sample rate to
// 16 kHz mono: the channels are averaged, then a polyphase windowed-sinc filter
// removes everything above the target's 8 kHz band edge while changing the rate.
// The filter keeps its history across buffers, so a take converted buffer by
// buffer equals the take converted at once, and n input frames always give
// exactly ceil(n × 16000 / rate) samples. Not thread-safe: one stream per object.
class Resampler {
public:
    static constexpr int targetRate = 16000;

    // None when the rate or channel count cannot be converted.
    static std::unique_ptr<Resampler> create(double sourceRate, int channelCount);

    int sourceRate() const { return m_sourceRate; }
    int channelCount() const { return m_channels; }
    // The samples `frames` more input frames give at most.
    qsizetype capacityFor(qsizetype frames) const;
    // The number of samples the first `frames` input frames of a stream give.
    static qint64 outputLength(qint64 frames, int sourceRate);

    // Converts `frames` interleaved frames and appends the result to `out`.
    void process(const float* interleaved, qsizetype frames, QList<float>& out);

private:
    Resampler(int sourceRate, int channelCount);
    void designFilter();

    int m_sourceRate;
    int m_channels;
    int m_up = 1;   // interpolation factor
    int m_down = 1; // decimation factor
    int m_taps = 1; // taps per phase, a multiple of 8
    bool m_passThrough = false;
    // m_up phases of m_taps coefficients each, stored in reverse so that a
    // phase runs forward over the input it weighs.
    std::vector<float> m_phases;
    // The mono input: the last m_taps - 1 samples of earlier buffers, then the
    // current buffer.
    std::vector<float> m_input;
    int m_phase = 0;        // the next output's phase
    qint64 m_nextInput = 0; // the newest input sample the next output needs, from the current buffer's start
};
