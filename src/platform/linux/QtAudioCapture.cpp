#include "platform/linux/QtAudioCapture.h"

#include <QAudioSource>
#include <QMediaDevices>

#include <cstring>

namespace {

QAudioFormat captureFormat(const QAudioDevice& device) {
    if (device.isNull())
        return {};
    QAudioFormat format = device.preferredFormat();
    format.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format))
        format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

QtAudioCapture::QtAudioCapture(DeviceIdLookup lookup)
    : m_lookup(std::move(lookup)), m_device(QMediaDevices::defaultAudioInput()), m_format(captureFormat(m_device)) {
    m_thread.setObjectName(QStringLiteral("audio capture"));
}

QtAudioCapture::~QtAudioCapture() { stop(); }

template <typename Work> void QtAudioCapture::onCaptureThread(Work work) {
    if (m_context)
        QMetaObject::invokeMethod(m_context, work, Qt::BlockingQueuedConnection);
}

void QtAudioCapture::setDevice(quint32 device) {
    const QByteArray id = m_lookup(device);
    for (const QAudioDevice& input : QMediaDevices::audioInputs()) {
        if (input.id() == id) {
            m_device = input;
            m_format = captureFormat(m_device);
            return;
        }
    }
}

AudioCapture::Format QtAudioCapture::format() const {
    if (!m_format.isValid())
        return {};
    return {double(m_format.sampleRate()), m_format.channelCount()};
}

std::optional<QuorvaneError> QtAudioCapture::start() {
    if (m_context)
        return std::nullopt;
    if (!m_format.isValid())
        return QuorvaneError{int(QAudio::OpenError), QStringLiteral("The microphone could not be opened.")};
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    std::optional<QuorvaneError> failure;
    onCaptureThread([&] { failure = open(); });
    if (failure)
        stop();
    return failure;
}

std::optional<QuorvaneError> QtAudioCapture::open() {
    m_source = new QAudioSource(m_device, m_format, m_context);
    m_stream = m_source->start();
    if (!m_stream || m_source->error() != QAudio::NoError) {
        const int code = int(m_source->error());
        return QuorvaneError{code ? code : int(QAudio::OpenError),
                             QStringLiteral("The microphone could not be opened.")};
    }
    m_format = m_source->format();
    QObject::connect(m_stream, &QIODevice::readyRead, m_context, [this] { read(); });
    return std::nullopt;
}

void QtAudioCapture::read() {
    if (!m_stream)
        return;
    const QByteArray bytes = m_stream->readAll();
    const int frameBytes = m_format.bytesPerFrame();
    if (frameBytes <= 0)
        return;
    const qsizetype values = bytes.size() / m_format.bytesPerSample();
    const size_t at = m_pending.size();
    m_pending.resize(at + size_t(values));
    if (m_format.sampleFormat() == QAudioFormat::Float) {
        std::memcpy(m_pending.data() + at, bytes.constData(), size_t(values) * sizeof(float));
    } else {
        for (qsizetype i = 0; i < values; ++i) {
            qint16 value;
            std::memcpy(&value, bytes.constData() + 2 * i, sizeof value);
            m_pending[at + size_t(i)] = float(value) / 32768.0f;
        }
    }
    deliver(false);
}

void QtAudioCapture::deliver(bool everything) {
    const int channels = m_format.channelCount();
    if (channels <= 0)
        return;
    QMutexLocker locked(&m_tapLock);
    const qsizetype frames = qsizetype(m_pending.size()) / channels;
    const qsizetype chunk = std::max<qsizetype>(1, m_framesPerBuffer);
    qsizetype done = 0;
    const Format format{double(m_format.sampleRate()), channels};
    while (frames - done >= chunk || (everything && done < frames)) {
        const qsizetype count = std::min(chunk, frames - done);
        if (m_tap)
            m_tap(m_pending.data() + done * channels, count, format);
        done += count;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + done * channels);
}

void QtAudioCapture::installTap(qsizetype framesPerBuffer, Tap tap) {
    QMutexLocker locked(&m_tapLock);
    m_framesPerBuffer = framesPerBuffer;
    m_tap = std::move(tap);
}

void QtAudioCapture::removeTap() {
    onCaptureThread([this] {
        read();
        deliver(true);
    });
    QMutexLocker locked(&m_tapLock);
    m_tap = nullptr;
}

void QtAudioCapture::close() {
    if (m_source)
        m_source->stop();
    delete m_source;
    m_source = nullptr;
    m_stream = nullptr;
    m_pending.clear();
}

void QtAudioCapture::stop() {
    {
        QMutexLocker locked(&m_tapLock);
        m_tap = nullptr;
    }
    if (!m_context)
        return;
    onCaptureThread([this] { close(); });
    m_thread.quit();
    m_thread.wait();
    delete m_context;
    m_context = nullptr;
}
