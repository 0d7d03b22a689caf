#include "platform/linux/X11TopLevels.h"

#include "platform/linux/X11Connection.h"
#include "platform/linux/X11Property.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

namespace X11TopLevels {

namespace {

std::optional<qint64> windowPid(Display* display, Window window) {
    if (const std::optional<unsigned long> pid = X11Property::cardinal(display, window, "_NET_WM_PID"))
        return qint64(*pid);
    return std::nullopt;
}

std::optional<qint64> clientPid(Display* display, Window window) {
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    if (XResQueryClientIds(display, 1, &spec, &count, &values) != Success)
        return std::nullopt;
    std::optional<qint64> pid;
    for (long i = 0; i < count && !pid; ++i) {
        if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID) {
            const pid_t found = XResGetClientPid(&values[i]);
            if (found > 0)
                pid = found;
        }
    }
    XResClientIdsDestroy(count, values);
    return pid;
}

// One of this program's windows that lets the pointer through.
bool isOwnPassThrough(unsigned long window) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    for (const QWindow* own : QGuiApplication::allWindows()) {
        if (own->handle() && own->winId() == window)
            return own->flags().testFlag(Qt::WindowTransparentForInput);
    }
    return false;
}

} // namespace

std::optional<qint64> processOf(unsigned long window) {
    Display* display = X11Connection::display();
    if (!display || !window)
        return std::nullopt;
    if (const std::optional<qint64> pid = windowPid(display, window))
        return pid;
    // Below a window manager's frame: the client window it holds.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        std::optional<qint64> pid;
        for (unsigned int i = 0; i < count && !pid; ++i)
            pid = windowPid(display, children[i]);
        if (children)
            XFree(children);
        if (pid)
            return pid;
    }
    return clientPid(display, window);
}

std::optional<Hit> windowAt(QPoint point) {
    Display* display = X11Connection::display();
    if (!display)
        return std::nullopt;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return std::nullopt;
    std::optional<Hit> hit;
    const qint64 self = QCoreApplication::applicationPid();
    // Children come bottom first.
    for (unsigned int i = count; i-- > 0 && !hit;) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable
            || attributes.c_class == InputOnly)
            continue;
        const QRect frame(attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
                          attributes.height + 2 * attributes.border_width);
        if (!frame.contains(point))
            continue;
        const std::optional<qint64> pid = processOf(children[i]);
        if (pid == self && isOwnPassThrough(children[i]))
            continue;
        hit = Hit{children[i], pid};
    }
    if (children)
        XFree(children);
    return hit;
}

std::optional<QPoint> pointerPosition() {
    Display* display = X11Connection::display();
    if (!display)
        return std::nullopt;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask))
        return std::nullopt;
    return QPoint(rootX, rootY);
}

} // namespace X11TopLevels
