#include "support/XClient.h"

#include <QtTest/QTest>

#include <algorithm>

// After Qt: Xlib's macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

// How long a click's button stays down, and how long the pointer rests first.
constexpr int kClickPauseMs = 40;

} // namespace

struct XClient::Connection {
    Display* display = nullptr;

    Window root() const { return DefaultRootWindow(display); }

    QString property(Window window, Atom name, Atom type) const {
        Atom actual = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        QString text;
        if (XGetWindowProperty(display, window, name, 0, 256, False, type, &actual, &format, &items, &after, &data)
                == Success
            && data) {
            text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(items));
            XFree(data);
        }
        return text;
    }

    // The window's title in UTF-8 (_NET_WM_NAME), for windows that carry one
    // of their own: Qt names untitled windows such as the milestone badge or
    // the tray icon after the program, but leaves their WM_NAME empty.
    QString title(Window window) const {
        if (property(window, XA_WM_NAME, AnyPropertyType).isEmpty())
            return {};
        return property(window, XInternAtom(display, "_NET_WM_NAME", False),
                        XInternAtom(display, "UTF8_STRING", False));
    }

    bool isTitled(Window window, const QString& wanted) const {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable
               && title(window) == wanted;
    }

    // Only top-level windows: the harness runs no window manager, and the
    // tray icon's window, deeper down, is titled like the program.
    std::optional<QPoint> find(const QString& wanted) const {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, root(), &rootReturn, &parent, &children, &count))
            return std::nullopt;
        std::optional<QPoint> found;
        for (unsigned int i = 0; i < count && !found; ++i) {
            if (!isTitled(children[i], wanted))
                continue;
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(display, children[i], root(), 0, 0, &x, &y, &child);
            found = QPoint(x, y);
        }
        if (children)
            XFree(children);
        return found;
    }
};

XClient::XClient() : m_connection(std::make_unique<Connection>()) { m_connection->display = XOpenDisplay(nullptr); }

XClient::~XClient() {
    if (m_connection->display)
        XCloseDisplay(m_connection->display);
}

bool XClient::isOpen() const { return m_connection->display != nullptr; }

void XClient::leftClick(const QPoint& at) {
    Display* display = m_connection->display;
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XSync(display, False);
    QTest::qWait(kClickPauseMs);
    XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    XSync(display, False);
    QTest::qWait(kClickPauseMs);
    XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    XSync(display, False);
}

std::optional<QPoint> XClient::windowTitled(const QString& title) { return m_connection->find(title); }

QPoint XClient::centreOnScreen(WId window) {
    Display* display = m_connection->display;
    XWindowAttributes attributes{};
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(display, Window(window), &attributes)
        || !XTranslateCoordinates(display, Window(window), m_connection->root(), attributes.width / 2,
                                  attributes.height / 2, &x, &y, &child))
        return {};
    return {x, y};
}

bool XClient::isViewable(WId window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_connection->display, Window(window), &attributes)
           && attributes.map_state == IsViewable;
}

bool XClient::skipsTaskbar(WId window) {
    Display* display = m_connection->display;
    const Atom skip = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, Window(window), XInternAtom(display, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM,
                           &type, &format, &count, &after, &data)
        != Success)
        return false;
    const auto* states = reinterpret_cast<const long*>(data);
    const bool found = data && std::find(states, states + count, long(skip)) != states + count;
    if (data)
        XFree(data);
    return found;
}
