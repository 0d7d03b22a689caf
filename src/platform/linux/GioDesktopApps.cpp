#include "platform/linux/GioDesktopApps.h"

#include "platform/linux/GObjectRef.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11Property.h"

#include <QLoggingCategory>

#include <algorithm>

#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#define signals Q_SIGNALS

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

Q_LOGGING_CATEGORY(lcApps, "quorvane.platform.apps")

const QString kDesktopSuffix = QStringLiteral(".desktop");

QString withoutSuffix(const QString& id) {
    return id.endsWith(kDesktopSuffix) ? id.chopped(kDesktopSuffix.size()) : id;
}

GDesktopAppInfo* infoFor(const QString& identifier) {
    const QString id = identifier.endsWith(kDesktopSuffix) ? identifier : identifier + kDesktopSuffix;
    return g_desktop_app_info_new(id.toUtf8().constData());
}

// The managed windows; `managed` tells whether a window manager lists them.
QList<Window> clientWindows(Display* display, bool& managed) {
    const std::optional<QList<Window>> listed =
        X11Property::longs(display, DefaultRootWindow(display), "_NET_CLIENT_LIST", XA_WINDOW);
    managed = listed.has_value();
    if (listed)
        return *listed;
    // No window manager: the mapped children of the root window.
    QList<Window> windows;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int childCount = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &childCount) && children) {
        windows = QList<Window>(children, children + childCount);
        XFree(children);
    }
    return windows;
}

} // namespace

std::optional<DesktopApps::App> GioDesktopApps::find(const QString& identifier) {
    if (identifier.isEmpty())
        return std::nullopt;
    GObjectRef<GDesktopAppInfo> info(infoFor(identifier));
    if (!info.object)
        return std::nullopt;
    return App{withoutSuffix(identifier), QString::fromUtf8(g_app_info_get_display_name(G_APP_INFO(info.object)))};
}

QList<DesktopApps::App> GioDesktopApps::installed() {
    QList<App> apps;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item; item = item->next) {
        auto* info = static_cast<GAppInfo*>(item->data);
        const char* id = g_app_info_get_id(info);
        if (g_app_info_should_show(info) && id)
            apps.append(
                App{withoutSuffix(QString::fromUtf8(id)), QString::fromUtf8(g_app_info_get_display_name(info))});
    }
    g_list_free_full(all, g_object_unref);
    std::sort(apps.begin(), apps.end(),
              [](const App& a, const App& b) { return QString::localeAwareCompare(a.name, b.name) < 0; });
    return apps;
}

bool GioDesktopApps::launch(const QString& identifier) {
    GObjectRef<GDesktopAppInfo> info(infoFor(identifier));
    if (!info.object)
        return false;
    GError* error = nullptr;
    const bool started = g_app_info_launch(G_APP_INFO(info.object), nullptr, nullptr, &error);
    if (error) {
        qCWarning(lcApps) << "cannot start" << identifier << ":" << error->message;
        g_error_free(error);
    }
    return started;
}

bool GioDesktopApps::activate(qint64 pid) {
    Display* display = X11Connection::display();
    if (!display || pid <= 0)
        return false;
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    bool managed = false;
    for (const Window window : clientWindows(display, managed)) {
        XWindowAttributes attributes{};
        if (qint64(X11Property::cardinal(display, window, "_NET_WM_PID").value_or(0)) != pid
            || !XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
            continue; // Qt keeps unmapped helper windows (the clipboard's) under the same pid
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = active;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // a request on the user's behalf
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        if (managed) {
            XFlush(display);
            return true;
        }
        // Without a window manager nobody acts on the message: raise and focus it ourselves.
        XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
        XSetErrorHandler(previous);
        return true;
    }
    return false;
}
