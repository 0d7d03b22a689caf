#pragma once

#include "platform/AudioInput.h"

#include <QHash>
#include <QMutex>

#include <memory>
#include <vector>

// A capture whose format and start result a test sets, and whose buffers the
// test delivers by hand through deliver().
class FakeAudioCapture : public AudioCapture {
public:
    struct Script {
        Format format{48000, 1};
        // The format after start (a device that switches while starting); none keeps `format`.
        std::optional<Format> formatAfterStart;
        std::optional<QuorvaneError> startError;
    };

    // `stopTally`, when given, counts this capture's stops too, and outlives it.
    explicit FakeAudioCapture(Script script, std::shared_ptr<int> stopTally = {})
        : m_script(std::move(script)), m_stopTally(std::move(stopTally)) {}

    void setDevice(quint32 device) override { chosenDevice = device; }
    Format format() const override {
        return started && m_script.formatAfterStart ? *m_script.formatAfterStart : m_script.format;
    }
    std::optional<QuorvaneError> start() override {
        if (m_script.startError)
            return m_script.startError;
        started = true;
        return std::nullopt;
    }
    void installTap(qsizetype framesPerBuffer, Tap tap) override {
        QMutexLocker locked(&m_mutex);
        tapFrames = framesPerBuffer;
        m_tap = std::move(tap);
    }
    void removeTap() override {
        QMutexLocker locked(&m_mutex);
        m_tap = nullptr;
    }
    void stop() override {
        removeTap();
        started = false;
        ++stops;
        if (m_stopTally)
            ++*m_stopTally;
    }

    // Hands interleaved frames to the tap, as the audio thread would.
    void deliver(const std::vector<float>& interleaved) {
        QMutexLocker locked(&m_mutex);
        if (m_tap)
            m_tap(interleaved.data(), qsizetype(interleaved.size()) / format().channelCount, format());
    }
    bool hasTap() {
        QMutexLocker locked(&m_mutex);
        return bool(m_tap);
    }

    std::optional<quint32> chosenDevice;
    qsizetype tapFrames = 0;
    bool started = false;
    int stops = 0;

private:
    Script m_script;
    std::shared_ptr<int> m_stopTally;
    QMutex m_mutex;
    Tap m_tap;
};

// Input devices a test describes; every capture made follows `script` and is
// kept in `captures` for the test to drive.
class FakeAudioInput : public AudioInput {
public:
    struct Device {
        quint32 id;
        QString name;
        int inputChannels;
    };

    QList<quint32> allDevices() override {
        QList<quint32> ids;
        for (const Device& device : devices)
            ids << device.id;
        return ids;
    }
    std::optional<quint32> defaultInputDevice() override { return defaultDevice; }
    int inputChannelCount(quint32 id) override {
        const Device* device = find(id);
        return device ? device->inputChannels : 0;
    }
    std::optional<QString> deviceName(quint32 id) override {
        const Device* device = find(id);
        return device && !device->name.isNull() ? std::optional<QString>(device->name) : std::nullopt;
    }
    std::unique_ptr<AudioCapture> makeCapture() override {
        auto capture = std::make_unique<FakeAudioCapture>(script, stops);
        captures.push_back(capture.get());
        return capture;
    }

    // The newest capture (owned by its recorder).
    FakeAudioCapture* lastCapture() const { return captures.empty() ? nullptr : captures.back(); }

    QList<Device> devices;
    std::optional<quint32> defaultDevice;
    FakeAudioCapture::Script script;
    std::vector<FakeAudioCapture*> captures;
    // The stops of all captures made, also of those their recorder has destroyed.
    std::shared_ptr<int> stops = std::make_shared<int>(0);

private:
    const Device* find(quint32 id) const {
        for (const Device& device : devices)
            if (device.id == id)
                return &device;
        return nullptr;
    }
};
