// The element at a point of the screen: the X window there names the
// process, whose application is asked for its deepest element at the point.
// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"

#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiTreeWalk.h"
#include "platform/linux/X11TopLevels.h"

#include <QCoreApplication>

#include <chrono>

using AtspiCalls::failed;

namespace {

// How many levels a descent to the deepest element at a point goes at most.
constexpr int kDescentLimit = 64;
// How long an application has to answer the first question of a lookup.
constexpr std::chrono::milliseconds kAnswerTimeout{800};

// Whether the application answers a ping on the accessibility bus in time.
// Asked before anything else: the library may spend several of its time-outs
// on one call to an application that has stopped answering, while this costs
// exactly one.
bool answersInTime(AtspiAccessible* app) {
    const AtspiObject* object = ATSPI_OBJECT(app);
    DBusConnection* bus = atspi_get_a11y_bus();
    if (!bus || !object->app || !object->app->bus_name)
        return false;
    DBusMessage* ping = dbus_message_new_method_call(object->app->bus_name, object->path ? object->path : "/",
                                                     "org.freedesktop.DBus.Peer", "Ping");
    if (!ping)
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, ping, int(kAnswerTimeout.count()), &error);
    dbus_message_unref(ping);
    const bool answered = reply && !dbus_error_is_set(&error);
    if (reply)
        dbus_message_unref(reply);
    dbus_error_free(&error);
    return answered;
}

// The deepest element of `window` at `point`, none when the window does not
// hold the point or a call fails (which ends the lookup).
AtspiAccessible* deepestAt(AtspiAccessible* window, QPoint point, LookupGate& gate) {
    GError* error = nullptr;
    auto* node = static_cast<AtspiAccessible*>(g_object_ref(window));
    for (int level = 0; level < kDescentLimit; ++level) {
        GObjectRef<AtspiComponent> current(atspi_accessible_get_component_iface(node));
        if (!current)
            break;
        AtspiAccessible* child = atspi_component_get_accessible_at_point(current.get(), point.x(), point.y(),
                                                                         ATSPI_COORD_TYPE_SCREEN, &error);
        if (failed(error)) {
            gate.ended = true;
            g_object_unref(node);
            return nullptr;
        }
        if (!child || child == node) {
            if (child)
                g_object_unref(child);
            if (level == 0) {
                // Nothing of this window is there.
                g_object_unref(node);
                return nullptr;
            }
            break;
        }
        g_object_unref(node);
        node = child;
    }
    return node;
}

// The application last found for a process, kept as the pointer tends to
// stay over one application.
struct KnownApplication {
    qint64 pid = 0;
    AtspiAccessible* app = nullptr;

    void keep(qint64 newPid, AtspiAccessible* newApp) {
        forget();
        pid = newPid;
        app = static_cast<AtspiAccessible*>(g_object_ref(newApp));
    }
    void forget() {
        if (app)
            g_object_unref(app);
        app = nullptr;
        pid = 0;
    }
};

KnownApplication& knownApplication() {
    static KnownApplication known;
    return known;
}

// The application of process `pid` on the accessibility bus (a new
// reference), none when it has not registered.
AtspiAccessible* applicationOf(qint64 pid) {
    KnownApplication& known = knownApplication();
    if (known.app && known.pid == pid)
        return static_cast<AtspiAccessible*>(g_object_ref(known.app));
    AtspiAccessible* found = nullptr;
    AtspiTreeWalk::forEachDesktopEntry([&](AtspiAccessible* app) {
        // The process comes from the bus, not from the application.
        GError* error = nullptr;
        const qint64 appPid = atspi_accessible_get_process_id(app, &error);
        if (failed(error) || appPid != pid)
            return false;
        known.keep(pid, app);
        found = static_cast<AtspiAccessible*>(g_object_ref(app));
        return true;
    });
    return found;
}

} // namespace

std::shared_ptr<AccessibleElement> AtspiAccessibility::elementAt(QPoint point) {
    const std::optional<X11TopLevels::Hit> hit = X11TopLevels::windowAt(point);
    if (!hit || !hit->pid || *hit->pid == QCoreApplication::applicationPid())
        return nullptr;
    if (!AtspiBus::ensureLibrary())
        return nullptr;
    GObjectRef<AtspiAccessible> app(applicationOf(*hit->pid));
    if (!app)
        return nullptr;
    // No clearing of the library's cache here, unlike the focus search: roles,
    // names and the tree above an element follow the application's change
    // events, and what is read for hover reading (texts, frames, the element
    // at the point) is asked afresh each time.
    if (!answersInTime(app.get())) {
        // Gone, hung or registered anew: looked up afresh next time.
        knownApplication().forget();
        return nullptr;
    }
    const std::optional<bool> utf16 = AtspiTreeWalk::toolkitCountsUtf16(app.get());
    if (!utf16)
        return nullptr;
    GError* error = nullptr;
    const gint windows = atspi_accessible_get_child_count(app.get(), &error);
    if (failed(error))
        return nullptr;
    auto gate = std::make_shared<LookupGate>();
    for (gint w = 0; w < windows && !gate->ended; ++w) {
        GObjectRef<AtspiAccessible> window(atspi_accessible_get_child_at_index(app.get(), w, &error));
        if (failed(error))
            return nullptr;
        if (!window)
            continue;
        if (AtspiAccessible* found = deepestAt(window.get(), point, *gate))
            return std::make_shared<AtspiElement>(found, *utf16, m_offsets, gate);
    }
    return nullptr;
}
