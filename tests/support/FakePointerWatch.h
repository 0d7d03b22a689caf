#pragma once

#include "platform/PointerWatch.h"

#include <map>
#include <vector>

// A pointer the test moves and clicks: each call delivers the event to the
// watchers there at that moment, as the desktop would.
class FakePointerWatch : public PointerWatch {
public:
    std::optional<QPoint> position() override { return pointer; }
    std::optional<WatchId> startWatching(std::function<void(const Event&)> handler) override {
        if (refuse)
            return std::nullopt;
        const WatchId id = m_next++;
        m_watchers.emplace(id, std::move(handler));
        return id;
    }
    void stopWatching(WatchId watcher) override { m_watchers.erase(watcher); }

    void move(QPointF to, bool ownWindow = false) { send(EventKind::Moved, to, ownWindow); }
    void press(QPointF at, bool ownWindow = false) { send(EventKind::LeftDown, at, ownWindow); }
    void release(QPointF at, bool ownWindow = false) { send(EventKind::LeftUp, at, ownWindow); }
    // A press and a release at one place.
    void click(QPointF at, bool ownWindow = false) {
        press(at, ownWindow);
        release(at, ownWindow);
    }
    std::size_t watcherCount() const { return m_watchers.size(); }

    std::optional<QPoint> pointer;
    bool refuse = false;

private:
    void send(EventKind kind, QPointF at, bool ownWindow) {
        pointer = at.toPoint();
        std::vector<WatchId> ids;
        for (const auto& [id, handler] : m_watchers)
            ids.push_back(id);
        for (const WatchId id : ids) {
            const auto found = m_watchers.find(id);
            if (found == m_watchers.end())
                continue;
            const auto handler = found->second; // may end its own watch while it runs
            handler(Event{kind, at, ownWindow});
        }
    }

    std::map<WatchId, std::function<void(const Event&)>> m_watchers;
    WatchId m_next = 1;
};
