#pragma once

#include "platform/AudioInput.h"
#include "platform/linux/PulseSourceWatch.h"

// Microphones as PulseAudio lists them (sources, without the monitors of
// outputs, which Qt hides too), captured through Qt Multimedia on a thread of
// the capture's own. The list comes from a connection kept open, so a
// question never waits for the server: until that connection has answered,
// and while the server is gone, there is no list, and a capture takes the
// audio system's default input.
class PulseAudioInput : public AudioInput {
public:
    QList<quint32> allDevices() override;
    std::optional<quint32> defaultInputDevice() override;
    int inputChannelCount(quint32 device) override;
    std::optional<QString> deviceName(quint32 device) override;
    std::unique_ptr<AudioCapture> makeCapture() override;
    // Whether the kept connection has answered and the list is known.
    bool heard() const { return m_watch.snapshot().has_value(); }

private:
    std::optional<PulseClient::Source> sourceAt(quint32 index);
    std::optional<QList<PulseClient::Source>> sources();

    PulseSourceWatch m_watch;
};
