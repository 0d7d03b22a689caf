#pragma once

#include "platform/OutputVolume.h"

#include <QMap>

// Output devices with volumes a test sets and reads back.
class FakeOutputVolume : public OutputVolume {
public:
    std::optional<QString> defaultOutputDevice() override { return defaultDevice; }
    std::optional<ChannelVolumes> volume(const QString& device) override {
        if (failReads || !volumes.contains(device))
            return std::nullopt;
        return volumes.value(device);
    }
    bool setVolume(const QString& device, const ChannelVolumes& channels) override {
        if (refuseWrites || !volumes.contains(device))
            return false;
        volumes[device] = channels;
        ++writes;
        return true;
    }

    std::optional<QString> defaultDevice;
    QMap<QString, ChannelVolumes> volumes;
    bool failReads = false;
    bool refuseWrites = false;
    int writes = 0;
};
