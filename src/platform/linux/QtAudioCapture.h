#pragma once

#include "platform/AudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>

#include <chrono>
#include <memory>

// One capture through Qt Multimedia. The QAudioSource lives on a thread of the
// capture's own, which converts what it reads to float frames and hands them
// to the tap in buffers of the tap's size. Removing the tap first hands over
// the frames still pending, so the end of a take is not lost. The caller waits
// for the device's opening at most kOpenWait: a sound server that hangs holds
// Qt's opening for half a minute, which then goes on without the caller and
// captures nothing; a stop meanwhile leaves the thread to end once the opening
// is over.
class QtAudioCapture : public AudioCapture {
public:
    static constexpr std::chrono::milliseconds kOpenWait{250};

    // Gives Qt's identifier of an audio system device number (empty if unknown).
    using DeviceIdLookup = std::function<QByteArray(quint32 device)>;

    explicit QtAudioCapture(DeviceIdLookup lookup);
    ~QtAudioCapture() override;

    void setDevice(quint32 device) override;
    Format format() const override;
    // An error when the device was refused within kOpenWait; none when it
    // opened, or is still opening.
    std::optional<QuorvaneError> start() override;
    void installTap(qsizetype framesPerBuffer, Tap tap) override;
    void removeTap() override;
    void stop() override;

private:
    // What the capture thread works on; it outlives this object while an
    // opening is under way.
    struct Session;

    DeviceIdLookup m_lookup;
    QAudioDevice m_device;
    QAudioFormat m_format;
    std::shared_ptr<Session> m_session;
};
