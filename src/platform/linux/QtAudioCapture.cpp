#include "platform/linux/QtAudioCapture.h"

#include <QAudioSource>
#include <QMediaDevices>
#include <QMutex>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <cstring>
#include <vector>

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

struct QtAudioCapture::Session {
    QThread* thread = new QThread;
    QObject* context = nullptr; // lives on `thread`
    // Set on the capture thread until the opening has ended, read anywhere after.
    QAudioFormat format;
    std::optional<QuorvaneError> failure;
    std::atomic<bool> opened{false};
    QSemaphore openEnded;

    // The capture thread's own.
    QAudioSource* source = nullptr;
    QIODevice* stream = nullptr;
    std::vector<float> pending; // interleaved frames not yet handed over

    QMutex tapLock;
    Tap tap;
    qsizetype framesPerBuffer = 4096;

    template <typename Work> void blocking(Work work) {
        QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
    }

    void open(const QAudioDevice& device, const QAudioFormat& requested) {
        source = new QAudioSource(device, requested, context);
        stream = source->start();
        if (!stream || source->error() != QAudio::NoError) {
            const int code = int(source->error());
            failure = QuorvaneError{code ? code : int(QAudio::OpenError),
                                    QStringLiteral("The microphone could not be opened.")};
        } else {
            format = source->format();
            QObject::connect(stream, &QIODevice::readyRead, context, [this] { read(); });
        }
        opened.store(true);
        openEnded.release();
    }

    void read() {
        if (!stream)
            return;
        const QByteArray bytes = stream->readAll();
        if (format.bytesPerFrame() <= 0)
            return;
        const qsizetype values = bytes.size() / format.bytesPerSample();
        const size_t at = pending.size();
        pending.resize(at + size_t(values));
        if (format.sampleFormat() == QAudioFormat::Float) {
            std::memcpy(pending.data() + at, bytes.constData(), size_t(values) * sizeof(float));
        } else {
            for (qsizetype i = 0; i < values; ++i) {
                qint16 value;
                std::memcpy(&value, bytes.constData() + 2 * i, sizeof value);
                pending[at + size_t(i)] = float(value) / 32768.0f;
            }
        }
        deliver(false);
    }

    void deliver(bool everything) {
        const int channels = format.channelCount();
        if (channels <= 0)
            return;
        QMutexLocker locked(&tapLock);
        const qsizetype frames = qsizetype(pending.size()) / channels;
        const qsizetype chunk = std::max<qsizetype>(1, framesPerBuffer);
        qsizetype done = 0;
        const Format delivered{double(format.sampleRate()), channels};
        while (frames - done >= chunk || (everything && done < frames)) {
            const qsizetype count = std::min(chunk, frames - done);
            if (tap)
                tap(pending.data() + done * channels, count, delivered);
            done += count;
        }
        pending.erase(pending.begin(), pending.begin() + done * channels);
    }

    // Ends the capture on its thread, and the thread with it.
    void close() {
        if (source)
            source->stop();
        delete source;
        source = nullptr;
        stream = nullptr;
        pending.clear();
        // Deleted as the thread ends, outside the call being made on it.
        context->deleteLater();
        thread->quit();
    }
};

QtAudioCapture::QtAudioCapture(DeviceIdLookup lookup)
    : m_lookup(std::move(lookup)), m_device(QMediaDevices::defaultAudioInput()), m_format(captureFormat(m_device)) {}

QtAudioCapture::~QtAudioCapture() { stop(); }

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
    const QAudioFormat& format =
        m_session && m_session->opened.load() && !m_session->failure ? m_session->format : m_format;
    if (!format.isValid())
        return {};
    return {double(format.sampleRate()), format.channelCount()};
}

std::optional<QuorvaneError> QtAudioCapture::start() {
    if (m_session)
        return std::nullopt;
    if (!m_format.isValid())
        return QuorvaneError{int(QAudio::OpenError), QStringLiteral("The microphone could not be opened.")};
    auto session = std::make_shared<Session>();
    session->thread->setObjectName(QStringLiteral("audio capture"));
    session->format = m_format;
    // The thread object goes once its thread has ended, whoever ends it.
    QObject::connect(session->thread, &QThread::finished, session->thread, &QObject::deleteLater);
    session->thread->start();
    session->context = new QObject;
    session->context->moveToThread(session->thread);
    m_session = session;
    QMetaObject::invokeMethod(
        session->context, [session, device = m_device, format = m_format] { session->open(device, format); },
        Qt::QueuedConnection);
    if (!session->openEnded.tryAcquire(1, int(kOpenWait.count())))
        return std::nullopt;
    if (std::optional<QuorvaneError> failure = session->failure) {
        stop();
        return failure;
    }
    return std::nullopt;
}

void QtAudioCapture::installTap(qsizetype framesPerBuffer, Tap tap) {
    if (!m_session)
        return;
    QMutexLocker locked(&m_session->tapLock);
    m_session->framesPerBuffer = framesPerBuffer;
    m_session->tap = std::move(tap);
}

void QtAudioCapture::removeTap() {
    if (!m_session)
        return;
    if (m_session->opened.load()) {
        Session* session = m_session.get();
        session->blocking([session] {
            session->read();
            session->deliver(true);
        });
    }
    QMutexLocker locked(&m_session->tapLock);
    m_session->tap = nullptr;
}

void QtAudioCapture::stop() {
    const std::shared_ptr<Session> session = std::exchange(m_session, nullptr);
    if (!session)
        return;
    {
        QMutexLocker locked(&session->tapLock);
        session->tap = nullptr;
    }
    // An opening still under way ends the capture when it is over.
    const bool opened = session->opened.load();
    QThread* thread = session->thread;
    QMetaObject::invokeMethod(
        session->context, [session] { session->close(); }, Qt::QueuedConnection);
    if (opened)
        thread->wait();
}
