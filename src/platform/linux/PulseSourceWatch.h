#pragma once

#include "platform/linux/PulseClient.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The PulseAudio sources and the default source as the server last told them,
// kept current over one connection that lives as long as this object:
// libpulse's own thread asks, and asks again at each change the server
// reports, so that reading never waits for the server. Readable from any
// thread.
class PulseSourceWatch {
public:
    struct Snapshot {
        std::optional<QString> defaultSource;
        // Every source, monitors of outputs included.
        QList<PulseClient::Source> sources;
    };

    PulseSourceWatch();
    ~PulseSourceWatch();
    PulseSourceWatch(const PulseSourceWatch&) = delete;
    PulseSourceWatch& operator=(const PulseSourceWatch&) = delete;

    // What the server said last; none before its first whole answer and once
    // the connection is lost.
    std::optional<Snapshot> snapshot() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
