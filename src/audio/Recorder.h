#pragma once

#include "audio/WavData.h"
#include "platform/AudioInput.h"
#include "support/QuorvaneError.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class LineLog;
class Resampler;

// Records one take from the microphone at a time: every captured buffer is
// converted to 16 kHz mono float samples and kept in memory for the whole take,
// and a level per buffer feeds the bubble's meter. Also home of the shared
// trace log. WavData encodes a take for the speech server.
//
// start() and stop() run on the caller's thread; buffers are converted on the
// capture's audio thread, which touches the take only under a lock. The
// accessors copy under the same lock, so a live preview can read while the
// take goes on.
class Recorder {
public:
    // Receives min(3 × peak, 1) of each converted buffer, on the audio thread.
    using LevelHandler = std::function<void(float level)>;

    static constexpr int sampleRate = WavData::kSampleRate;
    static constexpr qsizetype framesPerBuffer = 4096;

    // Captures through the platform's audio input.
    Recorder();
    // Captures through `input` (tests pass a fake).
    explicit Recorder(AudioInput* input);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Starts a new take, discarding the previous one. Errors: code 3 "No
    // microphone input available", code 1 "Bad audio format", or the audio
    // system's own error when the capture does not start.
    [[nodiscard]] std::optional<QuorvaneError> start(LevelHandler onLevel = {});
    // Ends the capture; the take stays readable until the next start.
    void stop();

    bool isRunning() const;
    // The captured format as "48000 Hz, 2 ch"; empty before the first start.
    QString inputFormatInfo() const;
    QList<float> samples() const;
    qsizetype sampleCount() const;
    // Seconds of audio in the take.
    double duration() const;
    // The highest level reported during the take.
    float peakLevel() const;

    // Appends "<UTC time>  mic  <message>" to the shared trace log.
    static void trace(const QString& message);
    // The shared trace log ("Quorvane/bubble-trace.log" under Application
    // Support), rotated to one ".1" file at 2 MiB. Other writers add their own
    // lines through it.
    static const LineLog& traceLog();

private:
    void handleBuffer(const float* interleaved, qsizetype frames, const LevelHandler& onLevel);
    AudioInput* input() const;

    AudioInput* m_input = nullptr;
    std::unique_ptr<AudioCapture> m_engine;
    std::unique_ptr<Resampler> m_converter;
    mutable QMutex m_lock;
    QList<float> m_samples;
    float m_peakLevel = 0;
    bool m_isRunning = false;
    QString m_inputFormatInfo;
};
