#pragma once

#include "platform/linux/PulseClient.h"

#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// The PulseAudio sources and the default source as the server last told them,
// kept current over a connection of this object's own: libpulse's own thread
// asks, and asks again at each change the server reports, so that reading
// never waits for the server. A connection lost (the server ended or
// restarted) or refused is made again after kRetryDelay, for as long as this
// object lives. Readable from any thread.
class PulseSourceWatch {
public:
    static constexpr std::chrono::milliseconds kRetryDelay{500};

    struct Snapshot {
        std::optional<QString> defaultSource;
        // Every source, monitors of outputs included.
        QList<PulseClient::Source> sources;
    };

    PulseSourceWatch();
    ~PulseSourceWatch();
    PulseSourceWatch(const PulseSourceWatch&) = delete;
    PulseSourceWatch& operator=(const PulseSourceWatch&) = delete;

    // What the server said last; none before its first whole answer and from
    // a lost connection until the next one has answered.
    std::optional<Snapshot> snapshot() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
