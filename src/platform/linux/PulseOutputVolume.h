#pragma once

#include "platform/OutputVolume.h"

#include <memory>

class PulseClient;

// The output volume of PulseAudio sinks, read and written per channel. Keeps
// one connection to the server, opened at the first call and again after a
// call failed: a dictation's stop restores the volume in three requests, and
// a connection of its own for each would cost the stop more than the rest of
// its road.
class PulseOutputVolume : public OutputVolume {
public:
    PulseOutputVolume();
    ~PulseOutputVolume() override;

    std::optional<QString> defaultOutputDevice() override;
    std::optional<ChannelVolumes> volume(const QString& device) override;
    bool setVolume(const QString& device, const ChannelVolumes& volumes) override;

private:
    // The open connection; a new one when there is none or the last call failed.
    PulseClient& client();
    // Closes the connection after a failed call, so that the next call opens a
    // new one (the server may have restarted).
    template <typename Answer> Answer keepIf(Answer answer) {
        if (!answer)
            m_client.reset();
        return answer;
    }

    std::unique_ptr<PulseClient> m_client;
};
