#include "platform/linux/QtAudioSinkPlayers.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QObject>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <optional>

Q_LOGGING_CATEGORY(lcPlayer, "quorvane.player")

namespace {

// Past the sound still queued at the server when the end is reported.
constexpr std::chrono::milliseconds kDrainMargin{20};

struct Pcm {
    QAudioFormat::SampleFormat format = QAudioFormat::Unknown;
    int channels = 0;
    int rate = 0;
    int bytesPerFrame = 0;
    QByteArray data;
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
    if (!haveFormat || pcm.format == QAudioFormat::Unknown || pcm.channels <= 0 || pcm.rate <= 0 ||
        pcm.bytesPerFrame <= 0 || pcm.data.isEmpty())
        return std::nullopt;
    pcm.data.truncate(pcm.data.size() - pcm.data.size() % pcm.bytesPerFrame);
    return pcm;
}

class SinkPlayer : public QObject, public AudioPlayer {
public:
    SinkPlayer(Pcm pcm, QAudioDevice device) : m_pcm(std::move(pcm)), m_device(std::move(device)) {
        m_buffer.setData(m_pcm.data);
        m_buffer.open(QIODevice::ReadOnly);
    }
    ~SinkPlayer() override { dropSink(); }

    bool play() override {
        if (m_sink && m_sink->state() == QAudio::SuspendedState) {
            m_sink->resume();
            return m_sink->error() == QAudio::NoError;
        }
        if (m_sink && m_sink->state() == QAudio::ActiveState)
            return true;
        if (m_buffer.atEnd())
            moveTo(std::chrono::milliseconds(0));
        startSink();
        return m_sink && m_sink->error() == QAudio::NoError && m_sink->state() != QAudio::StoppedState;
    }
    void pause() override {
        if (m_sink && m_sink->state() == QAudio::ActiveState)
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
        moveTo(at);
        if (playing)
            startSink();
    }
    void seek(std::chrono::milliseconds position) override {
        const bool playing = isPlaying();
        dropSink();
        moveTo(std::clamp(position, std::chrono::milliseconds(0), duration()));
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
        return std::chrono::milliseconds(qint64(m_pcm.data.size() / m_pcm.bytesPerFrame) * 1000 / m_pcm.rate);
    }
    bool isPlaying() const override { return m_sink && m_sink->state() != QAudio::StoppedState &&
                                              m_sink->state() != QAudio::SuspendedState; }
    void setFinished(std::function<void()> finished) override { m_finished = std::move(finished); }

private:
    void moveTo(std::chrono::milliseconds position) {
        const qint64 frame = position.count() * m_pcm.rate / 1000;
        m_buffer.seek(std::min<qint64>(frame * m_pcm.bytesPerFrame, m_pcm.data.size()));
        m_offset = position;
    }
    void startSink() {
        QAudioFormat format;
        format.setSampleFormat(m_pcm.format);
        format.setChannelCount(m_pcm.channels);
        format.setSampleRate(std::max(1, int(m_pcm.rate * m_rate)));
        m_sink = new QAudioSink(m_device, format, this);
        m_sink->setVolume(m_volume);
        QObject::connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            if (state != QAudio::IdleState || !m_buffer.atEnd() || m_draining)
                return;
            // Idle means everything was handed to the server, which still
            // holds the end of the sound: stopping now would cut it off.
            const QAudioFormat& format = m_sink->format();
            const qint64 queued = std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
            const auto left = std::chrono::milliseconds(format.bytesPerFrame() > 0 && format.sampleRate() > 0
                                                            ? queued * 1000 / (format.bytesPerFrame() * format.sampleRate())
                                                            : 0);
            m_draining = true;
            QTimer::singleShot(left + kDrainMargin, this, [this, sink = m_sink] {
                if (sink != m_sink)
                    return;
                m_offset = duration();
                dropSink();
                if (auto finished = std::exchange(m_finished, nullptr))
                    finished();
            });
        });
        m_sink->start(&m_buffer);
        if (m_sink->error() != QAudio::NoError)
            qCWarning(lcPlayer) << "the audio output did not start:" << m_sink->error();
    }
    void dropSink() {
        m_draining = false;
        if (!m_sink)
            return;
        QAudioSink* sink = std::exchange(m_sink, nullptr);
        m_offset = std::min(duration(), m_offset + std::chrono::milliseconds(qint64(double(sink->processedUSecs()) / 1000.0 * m_rate)));
        sink->disconnect(this);
        sink->stop();
        sink->deleteLater();
    }

    Pcm m_pcm;
    QAudioDevice m_device;
    QBuffer m_buffer;
    QAudioSink* m_sink = nullptr;
    float m_volume = 1.0f;
    double m_rate = 1.0;
    std::chrono::milliseconds m_offset{0};
    std::function<void()> m_finished;
    // Set between the last bytes going out and the end being reported.
    bool m_draining = false;
};

} // namespace

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
    return std::make_unique<SinkPlayer>(std::move(*pcm), device);
}
