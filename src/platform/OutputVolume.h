#pragma once

#include <QList>
#include <QString>

#include <optional>

// The volume of the system's sound output devices. A volume is one value per
// channel, where 1.0 is the device's normal (100 %) level and 0.0 is silent.
class OutputVolume {
public:
    using ChannelVolumes = QList<double>;

    virtual ~OutputVolume() = default;
    // The name of the default output device, or none when it cannot be read.
    virtual std::optional<QString> defaultOutputDevice() = 0;
    virtual std::optional<ChannelVolumes> volume(const QString& device) = 0;
    // Returns whether the audio system accepted the new volume.
    virtual bool setVolume(const QString& device, const ChannelVolumes& volumes) = 0;
};
