#include "audio/AudioInputDevice.h"

#include "platform/AudioInput.h"
#include "platform/Platform.h"

namespace AudioInputDevice {

QList<quint32> allDevices() {
    AudioInput* input = Platform::current().audioInput;
    return input ? allDevices(*input) : QList<quint32>();
}

QList<quint32> allDevices(AudioInput& input) { return input.allDevices(); }

std::optional<quint32> best() {
    AudioInput* input = Platform::current().audioInput;
    return input ? best(*input) : std::nullopt;
}

std::optional<quint32> best(AudioInput& input) {
    const std::optional<quint32> preferred = input.defaultInputDevice();
    if (preferred && input.inputChannelCount(*preferred) > 0)
        return preferred;
    for (const quint32 device : input.allDevices())
        if (input.inputChannelCount(device) > 0)
            return device;
    return std::nullopt;
}

QString name(quint32 device) {
    AudioInput* input = Platform::current().audioInput;
    return input ? name(*input, device) : QStringLiteral("unknown");
}

QString name(AudioInput& input, quint32 device) {
    const std::optional<QString> named = input.deviceName(device);
    return named && !named->isEmpty() ? *named : QStringLiteral("unknown");
}

} // namespace AudioInputDevice
