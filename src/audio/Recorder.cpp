#include "audio/Recorder.h"

#include "audio/AudioInputDevice.h"
#include "audio/Resampler.h"
#include "platform/Platform.h"
#include "support/LineLog.h"
#include "support/Paths.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kTraceRotateBytes = 2 * 1024 * 1024;

QuorvaneError noMicrophone() { return {3, QStringLiteral("No microphone input available")}; }
QuorvaneError badFormat() { return {1, QStringLiteral("Bad audio format")}; }

QString describe(const AudioCapture::Format& format) {
    return QString::asprintf("%.0f Hz, %d ch", format.sampleRate, format.channelCount);
}

bool usable(const AudioCapture::Format& format) { return format.sampleRate > 0 && format.channelCount > 0; }

} // namespace

Recorder::Recorder() = default;

Recorder::Recorder(AudioInput* input) : m_input(input) {}

Recorder::~Recorder() {
    if (m_engine)
        m_engine->stop();
}

AudioInput* Recorder::input() const { return m_input ? m_input : Platform::current().audioInput; }

std::optional<QuorvaneError> Recorder::start(LevelHandler onLevel) {
    {
        QMutexLocker locked(&m_lock);
        m_samples.clear();
        m_peakLevel = 0;
    }
    if (m_engine)
        m_engine->stop();
    m_isRunning = false;
    AudioInput* audio = input();
    if (!audio) {
        m_engine.reset();
        return noMicrophone();
    }
    m_engine = audio->makeCapture();

    if (const std::optional<quint32> device = AudioInputDevice::best(*audio))
        m_engine->setDevice(*device);
    const AudioCapture::Format requested = m_engine->format();
    m_inputFormatInfo = describe(requested);
    if (!usable(requested))
        return noMicrophone();
    m_converter = Resampler::create(requested.sampleRate, requested.channelCount);
    if (!m_converter)
        return badFormat();

    if (std::optional<QuorvaneError> failure = m_engine->start())
        return failure;

    // Starting can move the capture to another device with another format.
    const AudioCapture::Format now = m_engine->format();
    const AudioCapture::Format used = usable(now) ? now : requested;
    if (used.sampleRate != requested.sampleRate)
        trace(QString::asprintf("device switched on start: %.0f -> %.0f Hz", requested.sampleRate, used.sampleRate));
    m_converter = Resampler::create(used.sampleRate, used.channelCount);
    if (!m_converter) {
        m_engine->stop();
        return badFormat();
    }
    m_inputFormatInfo = describe(used);

    m_engine->installTap(framesPerBuffer,
                         [this, used, onLevel = std::move(onLevel)](const float* interleaved, qsizetype frames,
                                                                    const AudioCapture::Format& format) {
                             if (format.channelCount == used.channelCount)
                                 handleBuffer(interleaved, frames, onLevel);
                         });
    m_isRunning = true;
    return std::nullopt;
}

void Recorder::handleBuffer(const float* interleaved, qsizetype frames, const LevelHandler& onLevel) {
    if (!m_converter || frames <= 0)
        return;
    QList<float> converted;
    converted.reserve(m_converter->capacityFor(frames));
    m_converter->process(interleaved, frames, converted);
    if (converted.isEmpty())
        return;
    float peak = 0;
    for (const float sample : std::as_const(converted))
        peak = std::max(peak, std::fabs(sample));
    const float level = std::min(peak * 3.0f, 1.0f);
    {
        QMutexLocker locked(&m_lock);
        m_samples.append(converted);
        m_peakLevel = std::max(m_peakLevel, level);
    }
    if (onLevel)
        onLevel(level);
}

void Recorder::stop() {
    if (!m_isRunning)
        return;
    m_engine->removeTap();
    m_engine->stop();
    m_isRunning = false;
}

bool Recorder::isRunning() const { return m_isRunning; }

QString Recorder::inputFormatInfo() const { return m_inputFormatInfo; }

QList<float> Recorder::samples() const {
    QMutexLocker locked(&m_lock);
    return m_samples;
}

qsizetype Recorder::sampleCount() const {
    QMutexLocker locked(&m_lock);
    return m_samples.size();
}

double Recorder::duration() const { return double(sampleCount()) / sampleRate; }

float Recorder::peakLevel() const {
    QMutexLocker locked(&m_lock);
    return m_peakLevel;
}

const LineLog& Recorder::traceLog() {
    static const LineLog log(Paths::engineFolder() + QStringLiteral("/bubble-trace.log"), kTraceRotateBytes);
    return log;
}

void Recorder::trace(const QString& message) { traceLog().appendStamped(message, QStringLiteral("  mic  ")); }
