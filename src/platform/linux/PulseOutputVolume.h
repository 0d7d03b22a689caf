#pragma once

#include "platform/OutputVolume.h"

// The output volume of PulseAudio sinks, read and written per channel.
class PulseOutputVolume : public OutputVolume {
public:
    std::optional<QString> defaultOutputDevice() override;
    std::optional<ChannelVolumes> volume(const QString& device) override;
    bool setVolume(const QString& device, const ChannelVolumes& volumes) override;
};
