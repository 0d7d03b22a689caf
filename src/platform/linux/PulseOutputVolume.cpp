#include "platform/linux/PulseOutputVolume.h"

#include "platform/linux/PulseClient.h"

#include <algorithm>
#include <cmath>

PulseOutputVolume::PulseOutputVolume() = default;
PulseOutputVolume::~PulseOutputVolume() = default;

PulseClient& PulseOutputVolume::client() {
    if (!m_client || !m_client->isConnected())
        m_client = std::make_unique<PulseClient>();
    return *m_client;
}

std::optional<QString> PulseOutputVolume::defaultOutputDevice() { return keepIf(client().defaultSinkName()); }

std::optional<OutputVolume::ChannelVolumes> PulseOutputVolume::volume(const QString& device) {
    const std::optional<PulseClient::Sink> sink = keepIf(client().sink(device));
    if (!sink || sink->volume.isEmpty())
        return std::nullopt;
    ChannelVolumes volumes;
    for (const quint32 raw : sink->volume)
        volumes << double(raw) / PulseClient::normalVolume();
    return volumes;
}

bool PulseOutputVolume::setVolume(const QString& device, const ChannelVolumes& volumes) {
    // Raw volumes are whole numbers, so a volume read before comes back exactly.
    QList<quint32> raw;
    for (const double volume : volumes)
        raw << quint32(std::lround(std::clamp(volume, 0.0, 16.0) * PulseClient::normalVolume()));
    return keepIf(client().setSinkVolume(device, raw));
}
