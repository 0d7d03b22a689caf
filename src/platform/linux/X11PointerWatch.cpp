#include "platform/linux/X11PointerWatch.h"

#include "platform/linux/X11Connection.h"
#include "platform/linux/X11TopLevels.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <chrono>
#include <vector>

namespace {

constexpr int kLeftButton = 1;
constexpr std::chrono::milliseconds kSweepInterval{50};

} // namespace

X11PointerWatch::X11PointerWatch() = default;

X11PointerWatch::~X11PointerWatch() {
    if (!m_watchers.empty())
        select(false);
}

bool X11PointerWatch::connect() {
    if (m_connectTried)
        return m_xiOpcode >= 0;
    m_connectTried = true;
    Display* display = X11Connection::display();
    if (!display)
        return false;
    int event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &m_xiOpcode, &event, &error)) {
        m_xiOpcode = -1;
        return false;
    }
    int major = 2, minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success) {
        m_xiOpcode = -1;
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
    // Replies to other requests on the shared connection can pull events into
    // Xlib's queue without the socket becoming readable again.
    m_sweep = new QTimer(m_notifier.get());
    m_sweep->setInterval(kSweepInterval);
    QObject::connect(m_sweep, &QTimer::timeout, m_notifier.get(), [this] { drain(); });
    return true;
}

void X11PointerWatch::select(bool on) {
    Display* display = X11Connection::display();
    if (!display || m_xiOpcode < 0)
        return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawMotion);
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
    }
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
    if (m_sweep && on)
        m_sweep->start();
    else if (m_sweep)
        m_sweep->stop();
}

std::optional<QPoint> X11PointerWatch::position() { return X11TopLevels::pointerPosition(); }

std::optional<PointerWatch::WatchId> X11PointerWatch::startWatching(std::function<void(const Event&)> handler) {
    if (!connect())
        return std::nullopt;
    if (m_watchers.empty())
        select(true);
    const WatchId id = m_next++;
    m_watchers.emplace(id, std::move(handler));
    return id;
}

void X11PointerWatch::stopWatching(WatchId watcher) {
    if (m_watchers.erase(watcher) && m_watchers.empty())
        select(false);
}

void X11PointerWatch::drain() {
    Display* display = X11Connection::display();
    // Moves come in bursts: one position read answers all of them.
    bool moved = false;
    while (display && XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != GenericEvent || event.xcookie.extension != m_xiOpcode
            || !XGetEventData(display, &event.xcookie))
            continue;
        const int type = event.xcookie.evtype;
        const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
        const bool leftButton = raw->detail == kLeftButton;
        XFreeEventData(display, &event.xcookie);
        if (type == XI_RawMotion) {
            moved = true;
        } else if ((type == XI_RawButtonPress || type == XI_RawButtonRelease) && leftButton) {
            if (moved)
                deliver(EventKind::Moved);
            moved = false;
            deliver(type == XI_RawButtonPress ? EventKind::LeftDown : EventKind::LeftUp);
        }
    }
    if (moved)
        deliver(EventKind::Moved);
}

void X11PointerWatch::deliver(EventKind kind) {
    if (m_watchers.empty())
        return;
    const std::optional<QPoint> at = position();
    if (!at)
        return;
    Event event{kind, *at, false};
    if (kind != EventKind::Moved) {
        const std::optional<X11TopLevels::Hit> hit = X11TopLevels::windowAt(*at);
        event.overOwnWindow = hit && hit->pid == QCoreApplication::applicationPid();
    }
    // By id, looked up afresh: a handler may end its own or another watch.
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
