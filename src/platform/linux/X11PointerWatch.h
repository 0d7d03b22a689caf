#pragma once

#include "platform/PointerWatch.h"

#include <map>
#include <memory>

class QObject;

// The pointer watch on X11: the server's own record of the pointer's moves and
// of button 1 going down and up (the RECORD extension), taken while anyone
// watches. Each recorded event carries the position the pointer had when it
// happened, so a drag that the GUI thread gets to only after it has ended is
// still seen from where it started. The recording comes in on a connection of
// its own; the context is made and ended over the shared connection of
// X11Connection. Whether a press or release lands on one of this program's
// windows comes from the owner of the top-level window there.
class X11PointerWatch : public PointerWatch {
public:
    X11PointerWatch();
    ~X11PointerWatch() override;

    std::optional<QPoint> position() override;
    std::optional<WatchId> startWatching(std::function<void(const Event&)> handler) override;
    void stopWatching(WatchId watcher) override;

private:
    struct Recording;

    void collect();
    void drain();
    void deliver(const Event& event);

    std::unique_ptr<Recording> m_recording;
    // Receives the deliveries, queued from the recording's socket so that a
    // handler may end the recording, socket and all.
    std::unique_ptr<QObject> m_deliveries;
    bool m_drainQueued = false;
    std::map<WatchId, std::function<void(const Event&)>> m_watchers;
    WatchId m_next = 1;
};
