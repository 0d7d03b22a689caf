#include "platform/linux/QtAudioSinkPlayers.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtEndian>

#include <SoundTouch.h>

#include <algorithm>
#include <optional>
#include <vector>

Q_LOGGING_CATEGORY(lcPlayer, "quorvane.player")

namespace {

// Past the sound still queued at the server when the end is reported.
constexpr std::chrono::milliseconds kDrainMargin{20};
// How long a stopped sink is kept before it is deleted.
constexpr std::chrono::seconds kRetiredFor{2};

struct Pcm {
    QAudioFormat::SampleFormat format = QAudioFormat::Unknown;
    int channels = 0;
    int rate = 0;
    int bytesPerFrame = 0;
    // The frames before `data` that were played and let go.
    qint64 releasedFrames = 0;
    QByteArray data;

    // Frames from the start of the sound, the released ones included.
    qint64 frames() const { return releasedFrames + data.size() / bytesPerFrame; }
};

// The PCM data of a RIFF WAVE file; none for anything else.
std::optional<Pcm> parseWav(const QByteArray& wav) {
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE")
        return std::nullopt;
    Pcm pcm;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= wav.size()) {
        const QByteArray id = wav.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(wav.constData() + at + 4);
        const qsizetype body = at + 8;
        const qsizetype available = std::min<qsizetype>(size, wav.size() - body);
        if (id == "fmt " && available >= 16) {
            const uchar* f = reinterpret_cast<const uchar*>(wav.constData() + body);
            const quint16 tag = qFromLittleEndian<quint16>(f);
            pcm.channels = qFromLittleEndian<quint16>(f + 2);
            pcm.rate = int(qFromLittleEndian<quint32>(f + 4));
            const quint16 bits = qFromLittleEndian<quint16>(f + 14);
            const bool extensible = tag == 0xFFFE;
            if ((tag == 1 || extensible) && bits == 8)
                pcm.format = QAudioFormat::UInt8;
            else if ((tag == 1 || extensible) && bits == 16)
                pcm.format = QAudioFormat::Int16;
            else if ((tag == 1 || extensible) && bits == 32)
                pcm.format = QAudioFormat::Int32;
            else if (tag == 3 && bits == 32)
                pcm.format = QAudioFormat::Float;
            pcm.bytesPerFrame = pcm.channels * bits / 8;
            haveFormat = true;
        } else if (id == "data" && haveFormat) {
            pcm.data = wav.mid(body, available);
            break;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || pcm.format == QAudioFormat::Unknown || pcm.channels <= 0 || pcm.rate <= 0
        || pcm.bytesPerFrame <= 0 || pcm.data.isEmpty())
        return std::nullopt;
    pcm.data.truncate(pcm.data.size() - pcm.data.size() % pcm.bytesPerFrame);
    return pcm;
}

// One source sample, counted from the start of the sound, as a float in
// [-1, 1]; it must not be one of the released frames.
float sampleAt(const Pcm& pcm, qsizetype sample) {
    const char* data = pcm.data.constData();
    const qsizetype index = sample - qsizetype(pcm.releasedFrames) * pcm.channels;
    switch (pcm.format) {
    case QAudioFormat::UInt8:
        return (float(uchar(data[index])) - 128.0f) / 128.0f;
    case QAudioFormat::Int16:
        return float(qFromLittleEndian<qint16>(data + 2 * index)) / 32768.0f;
    case QAudioFormat::Int32:
        return float(double(qFromLittleEndian<qint32>(data + 4 * index)) / 2147483648.0);
    case QAudioFormat::Float:
        return qFromLittleEndian<float>(data + 4 * index);
    default:
        return 0;
    }
}

// The sound as the sink pulls it: float frames at the sound's own rate, the
// tempo changed by SoundTouch so that a faster reading keeps its voice. At
// the normal tempo the samples pass straight through. SoundTouch is flushed
// only once the sound has run dry, so sounds appended in time follow on
// without its end padding.
class TempoSource : public QIODevice {
public:
    TempoSource(const Pcm& pcm, qint64 frame, double tempo) : m_pcm(pcm), m_frame(frame), m_tempo(tempo) {
        if (stretching()) {
            m_stretch.setSampleRate(uint(m_pcm.rate));
            m_stretch.setChannels(uint(m_pcm.channels));
            m_stretch.setTempo(m_tempo);
            // Speech: the settings SoundTouch advises for it.
            m_stretch.setSetting(SETTING_SEQUENCE_MS, 40);
            m_stretch.setSetting(SETTING_SEEKWINDOW_MS, 15);
            m_stretch.setSetting(SETTING_OVERLAP_MS, 8);
        }
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    bool atEnd() const override {
        return m_frame >= frames() && (!stretching() || (m_flushed && m_stretch.numSamples() == 0));
    }
    qint64 bytesAvailable() const override {
        const qint64 left = std::max<qint64>(0, frames() - m_frame);
        return QIODevice::bytesAvailable() + qint64(double(left) / m_tempo) * outputFrameBytes()
               + (stretching() ? qint64(m_stretch.numSamples()) * outputFrameBytes() : 0);
    }
    // New frames were appended to the sound.
    void grew() { m_flushed = false; }
    // The next frame to be read, from the start of the sound.
    qint64 frame() const { return m_frame; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 wanted = maxSize / outputFrameBytes();
        if (wanted <= 0)
            return 0;
        auto* out = reinterpret_cast<float*>(data);
        if (!stretching()) {
            const qint64 count = std::min(wanted, frames() - m_frame);
            convert(m_frame, count, out);
            m_frame += std::max<qint64>(0, count);
            return std::max<qint64>(0, count) * outputFrameBytes();
        }
        while (qint64(m_stretch.numSamples()) < wanted && !(m_frame >= frames() && m_flushed)) {
            if (m_frame < frames()) {
                const qint64 count = std::min<qint64>(kFeedFrames, frames() - m_frame);
                m_input.resize(size_t(count * m_pcm.channels));
                convert(m_frame, count, m_input.data());
                m_stretch.putSamples(m_input.data(), uint(count));
                m_frame += count;
            } else {
                m_stretch.flush();
                m_flushed = true;
            }
        }
        return qint64(m_stretch.receiveSamples(out, uint(wanted))) * outputFrameBytes();
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 kFeedFrames = 2048;

    bool stretching() const { return m_tempo != 1.0; }
    qint64 frames() const { return m_pcm.frames(); }
    qint64 outputFrameBytes() const { return qint64(sizeof(float)) * m_pcm.channels; }
    void convert(qint64 frame, qint64 count, float* out) const {
        const qsizetype first = qsizetype(frame) * m_pcm.channels;
        for (qsizetype i = 0; i < count * m_pcm.channels; ++i)
            out[i] = sampleAt(m_pcm, first + i);
    }

    const Pcm& m_pcm;
    qint64 m_frame;
    double m_tempo;
    soundtouch::SoundTouch m_stretch;
    std::vector<float> m_input;
    bool m_flushed = false;
};

} // namespace

namespace {

// Sinks still waiting for their deletion when the last player and the
// factory have gone. Never destroyed: a sink deleted outside the event loop
// shortly after its stop took the program down, so they are left to their
// own deletion, or to the end of the process.
QList<QPointer<QAudioSink>>& sinksPastTheirHolder() {
    static auto* sinks = new QList<QPointer<QAudioSink>>;
    return *sinks;
}

} // namespace

// Stopped sinks, kept a while before they are deleted: PulseAudio's thread
// may still call into a sink just stopped, and a sink deleted at once after
// its stop now and then took the program down with it. They are deleted
// from the event loop only, also those still held when this holder goes.
class RetiredSinks : public QObject {
public:
    ~RetiredSinks() override {
        QList<QPointer<QAudioSink>>& kept = sinksPastTheirHolder();
        kept.removeAll(nullptr);
        for (QAudioSink* sink : findChildren<QAudioSink*>(Qt::FindDirectChildrenOnly)) {
            sink->setParent(nullptr);
            kept.append(sink);
        }
    }
    void retire(QAudioSink* sink) {
        sink->setParent(this);
        QTimer::singleShot(kRetiredFor, sink, &QObject::deleteLater);
    }
};

namespace {

class SinkPlayer : public QObject, public AudioPlayer {
public:
    SinkPlayer(Pcm pcm, QAudioDevice device, std::shared_ptr<RetiredSinks> retired)
        : m_pcm(std::move(pcm)), m_device(std::move(device)), m_retired(std::move(retired)) {}
    ~SinkPlayer() override { dropSink(); }
    SinkPlayer(const SinkPlayer&) = delete;
    SinkPlayer& operator=(const SinkPlayer&) = delete;

    bool play() override {
        if (m_sink && m_sink->state() == QAudio::SuspendedState) {
            m_sink->resume();
            return m_sink->error() == QAudio::NoError;
        }
        if (m_sink && m_sink->state() != QAudio::StoppedState)
            return true;
        if (m_offset >= duration())
            m_offset = heldFrom();
        startSink();
        return m_sink && m_sink->error() == QAudio::NoError && m_sink->state() != QAudio::StoppedState;
    }
    void pause() override {
        if (m_sink && m_sink->state() != QAudio::StoppedState && m_sink->state() != QAudio::SuspendedState)
            m_sink->suspend();
    }
    void stop() override {
        m_finished = nullptr;
        dropSink();
    }
    void setVolume(float volume) override {
        m_volume = std::clamp(volume, 0.0f, 1.0f);
        if (m_sink)
            m_sink->setVolume(m_volume);
    }
    void setRate(double rate) override {
        if (rate <= 0 || rate == m_rate)
            return;
        const bool playing = isPlaying();
        const std::chrono::milliseconds at = position();
        dropSink();
        m_rate = rate;
        m_offset = at;
        if (playing)
            startSink();
    }
    bool append(const QByteArray& wav) override {
        if (m_draining)
            return false;
        std::optional<Pcm> more = parseWav(wav);
        if (!more || more->format != m_pcm.format || more->channels != m_pcm.channels || more->rate != m_pcm.rate)
            return false;
        releasePlayed();
        m_pcm.data.append(more->data);
        if (m_source)
            m_source->grew();
        return true;
    }
    void seek(std::chrono::milliseconds position) override {
        const bool playing = isPlaying();
        dropSink();
        m_offset = std::clamp(position, heldFrom(), duration());
        if (playing)
            startSink();
    }
    std::chrono::milliseconds position() const override {
        if (!m_sink)
            return m_offset;
        const double played = double(m_sink->processedUSecs()) / 1000.0 * m_rate;
        return std::min(duration(), m_offset + std::chrono::milliseconds(qint64(played)));
    }
    std::chrono::milliseconds duration() const override {
        return std::chrono::milliseconds(m_pcm.frames() * 1000 / m_pcm.rate);
    }
    bool isPlaying() const override {
        return m_sink && m_sink->state() != QAudio::StoppedState && m_sink->state() != QAudio::SuspendedState;
    }
    void setFinished(std::function<void()> finished) override { m_finished = std::move(finished); }

private:
    void startSink() {
        const qint64 frame =
            std::clamp<qint64>(m_offset.count() * m_pcm.rate / 1000, m_pcm.releasedFrames, m_pcm.frames());
        m_source = std::make_unique<TempoSource>(m_pcm, frame, m_rate);
        QAudioFormat format;
        format.setSampleFormat(QAudioFormat::Float);
        format.setChannelCount(m_pcm.channels);
        format.setSampleRate(m_pcm.rate);
        // No parent: Qt gives the sink's own backend object the parent given
        // here, which would then go with this player instead of with the sink.
        m_sink = new QAudioSink(m_device, format);
        m_sink->setVolume(m_volume);
        QObject::connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            if (state != QAudio::IdleState || !m_source || !m_source->atEnd() || m_draining)
                return;
            // Idle means everything was handed to the server, which still
            // holds the end of the sound: stopping now would cut it off.
            const QAudioFormat& format = m_sink->format();
            const qint64 queued = std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
            const auto left =
                std::chrono::milliseconds(format.bytesPerFrame() > 0 && format.sampleRate() > 0
                                              ? queued * 1000 / (format.bytesPerFrame() * format.sampleRate())
                                              : 0);
            m_draining = true;
            QTimer::singleShot(left + kDrainMargin, this, [this, sink = m_sink] {
                if (sink != m_sink)
                    return;
                dropSink();
                m_offset = duration();
                if (auto finished = std::exchange(m_finished, nullptr))
                    finished();
            });
        });
        m_sink->start(m_source.get());
        if (m_sink->error() != QAudio::NoError)
            qCWarning(lcPlayer) << "the audio output did not start:" << m_sink->error();
    }
    // Where the sound still held begins.
    std::chrono::milliseconds heldFrom() const {
        return std::chrono::milliseconds(m_pcm.releasedFrames * 1000 / m_pcm.rate);
    }
    // Lets go of the frames playback has passed. Nothing reads them again: a
    // restart goes on from the position, and a seek stops where the sound
    // still held begins.
    void releasePlayed() {
        qint64 played = position().count() * m_pcm.rate / 1000;
        if (m_source)
            played = std::min(played, m_source->frame());
        const qint64 released = played - m_pcm.releasedFrames;
        if (released <= 0)
            return;
        // A copy of what is left, so the played frames' buffer is freed.
        m_pcm.data = m_pcm.data.sliced(qsizetype(released) * m_pcm.bytesPerFrame);
        m_pcm.releasedFrames += released;
    }
    void dropSink() {
        m_draining = false;
        if (!m_sink)
            return;
        QAudioSink* sink = std::exchange(m_sink, nullptr);
        m_offset = std::min(
            duration(), m_offset + std::chrono::milliseconds(qint64(double(sink->processedUSecs()) / 1000.0 * m_rate)));
        sink->disconnect(this);
        sink->stop();
        m_retired->retire(sink);
        // The sink pulled from the source until stop(); it reads no more.
        m_source.reset();
    }

    Pcm m_pcm;
    QAudioDevice m_device;
    std::shared_ptr<RetiredSinks> m_retired;
    std::unique_ptr<TempoSource> m_source;
    QAudioSink* m_sink = nullptr;
    float m_volume = 1.0f;
    double m_rate = 1.0;
    std::chrono::milliseconds m_offset{0};
    std::function<void()> m_finished;
    // Set between the last bytes going out and the end being reported.
    bool m_draining = false;
};

} // namespace

QtAudioSinkPlayers::QtAudioSinkPlayers() : m_retired(std::make_shared<RetiredSinks>()) {}

QtAudioSinkPlayers::~QtAudioSinkPlayers() = default;

std::unique_ptr<AudioPlayer> QtAudioSinkPlayers::create(const QByteArray& wav) {
    std::optional<Pcm> pcm = parseWav(wav);
    if (!pcm) {
        qCWarning(lcPlayer) << "not a PCM WAV file";
        return nullptr;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        qCWarning(lcPlayer) << "no audio output";
        return nullptr;
    }
    return std::make_unique<SinkPlayer>(std::move(*pcm), device, m_retired);
}
