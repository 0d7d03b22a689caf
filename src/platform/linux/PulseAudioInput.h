#pragma once

#include "platform/AudioInput.h"
#include "platform/linux/PulseSourceWatch.h"

// Microphones as PulseAudio lists them (sources, without the monitors of
// outputs, which Qt hides too), captured through Qt Multimedia on a thread of
// the capture's own. The list comes from one connection kept open, so a
// question does not wait for the server; until that connection has answered,
// or once it is lost, each question asks the server itself.
class PulseAudioInput : public AudioInput {
public:
    QList<quint32> allDevices() override;
    std::optional<quint32> defaultInputDevice() override;
    int inputChannelCount(quint32 device) override;
    std::optional<QString> deviceName(quint32 device) override;
    std::unique_ptr<AudioCapture> makeCapture() override;
    // Whether the kept connection has answered: from then on a question does
    // not reach the server.
    bool heard() const { return m_watch.snapshot().has_value(); }

private:
    std::optional<PulseClient::Source> sourceAt(quint32 index);
    std::optional<QList<PulseClient::Source>> sources();

    PulseSourceWatch m_watch;
};
