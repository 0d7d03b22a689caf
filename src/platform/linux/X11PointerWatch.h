#pragma once

#include "platform/PointerWatch.h"

#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

// The pointer watch on X11, over the shared connection of X11Connection: raw
// motion and raw presses and releases of button 1 (XInput2) selected on the
// root window while anyone watches, the position read with XQueryPointer
// as each event is handled. Whether a press or release lands on one of this
// program's windows comes from the owner of the top-level window there.
class X11PointerWatch : public PointerWatch {
public:
    X11PointerWatch();
    ~X11PointerWatch() override;

    std::optional<QPoint> position() override;
    std::optional<WatchId> startWatching(std::function<void(const Event&)> handler) override;
    void stopWatching(WatchId watcher) override;

private:
    bool connect();
    void select(bool on);
    void drain();
    void deliver(EventKind kind);

    bool m_connectTried = false;
    int m_xiOpcode = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // Owned by the notifier.
    QTimer* m_sweep = nullptr;
    std::map<WatchId, std::function<void(const Event&)>> m_watchers;
    WatchId m_next = 1;
};
