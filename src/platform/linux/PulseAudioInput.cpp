#include "platform/linux/PulseAudioInput.h"

#include "platform/linux/PulseClient.h"
#include "platform/linux/QtAudioCapture.h"

namespace {

std::optional<PulseClient::Source> sourceAt(quint32 index) {
    const auto sources = PulseClient().sources();
    if (sources)
        for (const PulseClient::Source& source : *sources)
            if (source.index == index && !source.isMonitor)
                return source;
    return std::nullopt;
}

} // namespace

QList<quint32> PulseAudioInput::allDevices() {
    QList<quint32> devices;
    if (const auto sources = PulseClient().sources())
        for (const PulseClient::Source& source : *sources)
            if (!source.isMonitor)
                devices << source.index;
    return devices;
}

std::optional<quint32> PulseAudioInput::defaultInputDevice() {
    PulseClient client;
    const std::optional<QString> name = client.defaultSourceName();
    const auto sources = client.sources();
    if (name && sources)
        for (const PulseClient::Source& source : *sources)
            if (source.name == *name && !source.isMonitor)
                return source.index;
    return std::nullopt;
}

int PulseAudioInput::inputChannelCount(quint32 device) {
    const auto source = sourceAt(device);
    return source ? source->channels : 0;
}

std::optional<QString> PulseAudioInput::deviceName(quint32 device) {
    const auto source = sourceAt(device);
    if (!source)
        return std::nullopt;
    return source->description.isEmpty() ? source->name : source->description;
}

std::unique_ptr<AudioCapture> PulseAudioInput::makeCapture() {
    return std::make_unique<QtAudioCapture>([](quint32 device) -> QByteArray {
        const auto source = sourceAt(device);
        return source ? source->name.toUtf8() : QByteArray();
    });
}
