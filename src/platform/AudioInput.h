#pragma once

#include "support/QuorvaneError.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// One capture of the microphone: opened on a device, started, and tapped for
// its buffers. Buffers arrive on the capture's own audio thread as interleaved
// 32-bit float frames in the capture's format.
class AudioCapture {
public:
    struct Format {
        double sampleRate = 0;
        int channelCount = 0;
        bool operator==(const Format&) const = default;
    };
    // `interleaved` holds `frames` × channelCount values in [-1, 1].
    using Tap = std::function<void(const float* interleaved, qsizetype frames, const Format& format)>;

    virtual ~AudioCapture() = default;
    // Chooses the device to capture from instead of the default input.
    virtual void setDevice(quint32 device) = 0;
    // The format the capture delivers; a rate of 0 or no channels when there is
    // no input to capture from.
    virtual Format format() const = 0;
    // Starts capturing; an error is the audio system's own.
    virtual std::optional<QuorvaneError> start() = 0;
    // Hands buffers of about `framesPerBuffer` frames to `tap` until removed.
    virtual void installTap(qsizetype framesPerBuffer, Tap tap) = 0;
    virtual void removeTap() = 0;
    virtual void stop() = 0;
};

// The audio input devices (microphones) and captures from them. Device
// identifiers are the audio system's 32-bit device numbers.
class AudioInput {
public:
    virtual ~AudioInput() = default;
    // Every input device; empty when the audio system cannot be reached.
    virtual QList<quint32> allDevices() = 0;
    virtual std::optional<quint32> defaultInputDevice() = 0;
    // The number of input channels of a device; 0 for none or an unknown device.
    virtual int inputChannelCount(quint32 device) = 0;
    // The device's name as the user knows it; none when it cannot be read.
    virtual std::optional<QString> deviceName(quint32 device) = 0;
    // A new, idle capture from the default input device.
    virtual std::unique_ptr<AudioCapture> makeCapture() = 0;
};
