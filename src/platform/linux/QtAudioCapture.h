#pragma once

#include "platform/AudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QMutex>
#include <QThread>

#include <vector>

class QAudioSource;
class QIODevice;

// One capture through Qt Multimedia. The QAudioSource lives on a thread of the
// capture's own, which converts what it reads to float frames and hands them
// to the tap in buffers of the tap's size. Removing the tap first hands over
// the frames still pending, so the end of a take is not lost.
class QtAudioCapture : public AudioCapture {
public:
    // Gives Qt's identifier of an audio system device number (empty if unknown).
    using DeviceIdLookup = std::function<QByteArray(quint32 device)>;

    explicit QtAudioCapture(DeviceIdLookup lookup);
    ~QtAudioCapture() override;

    void setDevice(quint32 device) override;
    Format format() const override;
    std::optional<QuorvaneError> start() override;
    void installTap(qsizetype framesPerBuffer, Tap tap) override;
    void removeTap() override;
    void stop() override;

private:
    // Work done on the capture thread.
    std::optional<QuorvaneError> open();
    void read();
    void deliver(bool everything);
    void close();
    template <typename Work> void onCaptureThread(Work work);

    DeviceIdLookup m_lookup;
    QAudioDevice m_device;
    QAudioFormat m_format;
    QThread m_thread;
    QObject* m_context = nullptr; // lives on m_thread
    QAudioSource* m_source = nullptr;
    QIODevice* m_stream = nullptr;
    std::vector<float> m_pending; // interleaved frames not yet handed over

    QMutex m_tapLock;
    Tap m_tap;
    qsizetype m_framesPerBuffer = 4096;
};
