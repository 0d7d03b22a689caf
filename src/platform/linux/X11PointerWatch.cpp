#include "platform/linux/X11PointerWatch.h"

#include "platform/linux/X11Connection.h"
#include "platform/linux/X11TopLevels.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <chrono>
#include <poll.h>
#include <vector>

// X11 last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

Q_LOGGING_CATEGORY(lcPointer, "quorvane.pointer")

namespace {

constexpr int kLeftButton = 1;
// How long the end of a recording is waited for before its connection closes.
constexpr std::chrono::milliseconds kEndWait{200};

} // namespace

// One recording of the pointer's device events: the context, made over the
// shared connection, and the connection the recorded events arrive on, which
// carries nothing else. Events are collected as Xlib hands them over and
// delivered afterwards, so a handler that ends the watch never runs inside
// Xlib's reply processing.
struct X11PointerWatch::Recording {
    Display* control = nullptr;
    Display* data = nullptr;
    XRecordContext context = 0;
    bool enabled = false;
    std::unique_ptr<QSocketNotifier> notifier;
    std::vector<Event> recorded;
    bool ended = false;

    ~Recording() {
        notifier.reset();
        if (enabled) {
            XRecordDisableContext(control, context);
            XSync(control, False);
            // The recording's last reply frees what Xlib holds for it.
            const auto deadline = std::chrono::steady_clock::now() + kEndWait;
            while (!ended && std::chrono::steady_clock::now() < deadline) {
                pollfd readable{ConnectionNumber(data), POLLIN, 0};
                ::poll(&readable, 1, 10);
                XRecordProcessReplies(data);
            }
        }
        if (context) {
            XRecordFreeContext(control, context);
            XFlush(control);
        }
        if (data)
            XCloseDisplay(data);
    }

    static void intercept(XPointer closure, XRecordInterceptData* intercepted) {
        auto* self = reinterpret_cast<Recording*>(closure);
        if (intercepted->category == XRecordEndOfData)
            self->ended = true;
        if (intercepted->category == XRecordFromServer && intercepted->data_len * 4 >= sizeof(xEvent)) {
            const auto* event = reinterpret_cast<const xEvent*>(intercepted->data);
            const int type = event->u.u.type & 0x7f;
            const QPointF at(event->u.keyButtonPointer.rootX, event->u.keyButtonPointer.rootY);
            if (type == MotionNotify)
                self->recorded.push_back({EventKind::Moved, at, false});
            else if ((type == ButtonPress || type == ButtonRelease) && event->u.u.detail == kLeftButton)
                self->recorded.push_back({type == ButtonPress ? EventKind::LeftDown : EventKind::LeftUp, at, false});
        }
        XRecordFreeData(intercepted);
    }

    // Starts recording; false when the server cannot record.
    bool start() {
        control = X11Connection::display();
        if (!control)
            return false;
        int major = 0, minor = 0;
        if (!XRecordQueryVersion(control, &major, &minor)) {
            qCWarning(lcPointer) << "the X server cannot record pointer events";
            return false;
        }
        data = XOpenDisplay(DisplayString(control));
        if (!data)
            return false;
        XRecordRange* range = XRecordAllocRange();
        if (!range)
            return false;
        range->device_events.first = ButtonPress;
        range->device_events.last = MotionNotify;
        XRecordClientSpec everyone = XRecordAllClients;
        context = XRecordCreateContext(control, 0, &everyone, 1, &range, 1);
        XFree(range);
        // The context must exist before the data connection asks for it.
        XSync(control, False);
        enabled = context
                  && XRecordEnableContextAsync(data, context, &Recording::intercept, reinterpret_cast<XPointer>(this));
        if (!enabled) {
            qCWarning(lcPointer) << "the pointer recording could not be started";
            return false;
        }
        XFlush(data);
        notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(data), QSocketNotifier::Read);
        return true;
    }
};

X11PointerWatch::X11PointerWatch() : m_deliveries(std::make_unique<QObject>()) {}

X11PointerWatch::~X11PointerWatch() = default;

std::optional<QPoint> X11PointerWatch::position() { return X11TopLevels::pointerPosition(); }

std::optional<PointerWatch::WatchId> X11PointerWatch::startWatching(std::function<void(const Event&)> handler) {
    if (!m_recording) {
        auto recording = std::make_unique<Recording>();
        if (!recording->start())
            return std::nullopt;
        QObject::connect(recording->notifier.get(), &QSocketNotifier::activated, recording->notifier.get(),
                         [this] { collect(); });
        m_recording = std::move(recording);
    }
    const WatchId id = m_next++;
    m_watchers.emplace(id, std::move(handler));
    return id;
}

void X11PointerWatch::stopWatching(WatchId watcher) {
    if (m_watchers.erase(watcher) && m_watchers.empty())
        m_recording.reset();
}

void X11PointerWatch::collect() {
    XRecordProcessReplies(m_recording->data);
    if (m_recording->recorded.empty() || m_drainQueued)
        return;
    m_drainQueued = true;
    QMetaObject::invokeMethod(
        m_deliveries.get(), [this] { drain(); }, Qt::QueuedConnection);
}

void X11PointerWatch::drain() {
    m_drainQueued = false;
    if (!m_recording)
        return;
    const std::vector<Event> recorded = std::exchange(m_recording->recorded, {});
    // Moves come in bursts: the last one before each press or release, and
    // the last one of the burst, say where the pointer went.
    std::optional<Event> move;
    for (const Event& event : recorded) {
        if (event.kind == EventKind::Moved) {
            move = event;
            continue;
        }
        if (move)
            deliver(*std::exchange(move, std::nullopt));
        deliver(event);
    }
    if (move)
        deliver(*move);
}

void X11PointerWatch::deliver(const Event& recorded) {
    Event event = recorded;
    if (event.kind != EventKind::Moved) {
        const std::optional<X11TopLevels::Hit> hit = X11TopLevels::windowAt(event.position.toPoint());
        event.overOwnWindow = hit && hit->pid == QCoreApplication::applicationPid();
    }
    // By id, looked up afresh: a handler may end its own or another watch,
    // the last one ending the recording as well.
    std::vector<WatchId> ids;
    for (const auto& [id, handler] : m_watchers)
        ids.push_back(id);
    for (const WatchId id : ids) {
        const auto found = m_watchers.find(id);
        if (found == m_watchers.end())
            continue;
        const auto handler = found->second;
        handler(event);
    }
}
