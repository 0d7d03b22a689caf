#include "platform/linux/PulseAudioInput.h"

#include "platform/linux/QtAudioCapture.h"

std::optional<QList<PulseClient::Source>> PulseAudioInput::sources() {
    if (std::optional<PulseSourceWatch::Snapshot> known = m_watch.snapshot())
        return std::move(known->sources);
    return std::nullopt;
}

std::optional<PulseClient::Source> PulseAudioInput::sourceAt(quint32 index) {
    const auto listed = sources();
    if (listed)
        for (const PulseClient::Source& source : *listed)
            if (source.index == index && !source.isMonitor)
                return source;
    return std::nullopt;
}

QList<quint32> PulseAudioInput::allDevices() {
    QList<quint32> devices;
    if (const auto listed = sources())
        for (const PulseClient::Source& source : *listed)
            if (!source.isMonitor)
                devices << source.index;
    return devices;
}

std::optional<quint32> PulseAudioInput::defaultInputDevice() {
    const std::optional<PulseSourceWatch::Snapshot> known = m_watch.snapshot();
    if (known && known->defaultSource)
        for (const PulseClient::Source& source : known->sources)
            if (source.name == *known->defaultSource && !source.isMonitor)
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
    return std::make_unique<QtAudioCapture>([this](quint32 device) -> QByteArray {
        const auto source = sourceAt(device);
        return source ? source->name.toUtf8() : QByteArray();
    });
}
