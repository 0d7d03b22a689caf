#pragma once

#include <QPoint>
#include <QPointF>
#include <QtGlobal>

#include <functional>
#include <optional>

// The mouse pointer over the whole desktop: where it is, and a watch of its
// moves and of the left button going down and up in any application. Nothing
// is swallowed: the applications get every event as before. Positions are in
// global top-left coordinates. GUI thread only.
class PointerWatch {
public:
    enum class EventKind { Moved, LeftDown, LeftUp };

    struct Event {
        EventKind kind = EventKind::Moved;
        // The pointer's position when the event was read.
        QPointF position;
        // Whether the top-level window under the pointer is one of this
        // program's own (clicks there are the program's business).
        bool overOwnWindow = false;
    };

    using WatchId = quint64;

    virtual ~PointerWatch() = default;

    // Where the pointer is now; nothing without a desktop to ask.
    virtual std::optional<QPoint> position() = 0;
    // Starts delivering pointer events to `handler` on the GUI thread; none
    // when the pointer cannot be watched. A handler may stop any watch, its
    // own included, while it runs.
    virtual std::optional<WatchId> startWatching(std::function<void(const Event&)> handler) = 0;
    // Ends one watcher's deliveries at once; an unknown id does nothing.
    virtual void stopWatching(WatchId watcher) = 0;
};
