#pragma once

#include "platform/AudioInput.h"

// Microphones as PulseAudio lists them (sources, without the monitors of
// outputs, which Qt hides too), captured through Qt Multimedia on a thread of
// the capture's own.
class PulseAudioInput : public AudioInput {
public:
    QList<quint32> allDevices() override;
    std::optional<quint32> defaultInputDevice() override;
    int inputChannelCount(quint32 device) override;
    std::optional<QString> deviceName(quint32 device) override;
    std::unique_ptr<AudioCapture> makeCapture() override;
};
