#include "platform/linux/EwmhWindowSystem.h"

#include "platform/linux/X11Connection.h"
#include "platform/linux/X11Property.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#include <optional>

#include <xcb/xcb.h>

// After Qt: Xlib's macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// "On every desktop" in _NET_WM_DESKTOP.
constexpr unsigned long kAllDesktops = 0xFFFFFFFF;

QList<const QWidget*> visibleTopLevels() {
    QList<const QWidget*> windows;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowHandle())
            windows.append(widget);
    return windows;
}

} // namespace

EwmhWindowSystem::EwmhWindowSystem() {
    if (Display* display = X11Connection::display())
        m_currentDesktopAtom = XInternAtom(display, "_NET_CURRENT_DESKTOP", False);
    // Qt already listens to the root window's property changes.
    if (QCoreApplication::instance() && m_currentDesktopAtom != 0)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

EwmhWindowSystem::~EwmhWindowSystem() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool EwmhWindowSystem::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    if (change->atom == m_currentDesktopAtom)
        emit currentDesktopChanged();
    return false;
}

void EwmhWindowSystem::bringToFront(QWidget& window) {
    if (!window.isVisible())
        window.show();
    window.raise();
    window.activateWindow();
}

bool EwmhWindowSystem::hasFocus(const QWidget& window) { return window.isActiveWindow(); }

bool EwmhWindowSystem::applicationIsActive() { return QGuiApplication::applicationState() == Qt::ApplicationActive; }

bool EwmhWindowSystem::isOnCurrentDesktop(const QWidget& window) {
    Display* display = X11Connection::display();
    if (!display || !window.windowHandle())
        return true;
    const std::optional<unsigned long> current =
        X11Property::cardinal(display, DefaultRootWindow(display), "_NET_CURRENT_DESKTOP");
    if (!current)
        return true;
    const std::optional<unsigned long> own = X11Property::cardinal(display, Window(window.winId()), "_NET_WM_DESKTOP");
    return !own || *own == kAllDesktops || *own == *current;
}

void EwmhWindowSystem::moveToCurrentDesktop(QWidget& window) {
    Display* display = X11Connection::display();
    if (!display || !window.windowHandle())
        return;
    const Window root = DefaultRootWindow(display);
    const std::optional<unsigned long> current = X11Property::cardinal(display, root, "_NET_CURRENT_DESKTOP");
    if (!current)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window.winId());
    event.xclient.message_type = XInternAtom(display, "_NET_WM_DESKTOP", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(*current);
    event.xclient.data.l[1] = 1; // from an application
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

void EwmhWindowSystem::keepOnEveryDesktop(QWidget& window) {
    Display* display = X11Connection::display();
    if (!display || !window.windowHandle())
        return;
    const Window root = DefaultRootWindow(display);
    auto send = [&](const char* type, long first, long second) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = Window(window.winId());
        event.xclient.message_type = XInternAtom(display, type, False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = first;
        event.xclient.data.l[1] = second;
        event.xclient.data.l[2] = 0;
        event.xclient.data.l[3] = 1; // from an application
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    };
    constexpr long kAddState = 1;
    send("_NET_WM_DESKTOP", long(kAllDesktops), 1);
    send("_NET_WM_STATE", kAddState, long(XInternAtom(display, "_NET_WM_STATE_STICKY", False)));
    XFlush(display);
}

int EwmhWindowSystem::stackingPosition(const QWidget& window) {
    const QList<const QWidget*> ours = visibleTopLevels();
    if (!ours.contains(&window))
        return -1;
    Display* display = X11Connection::display();
    const std::optional<QList<Window>> order =
        display ? X11Property::longs(display, DefaultRootWindow(display), "_NET_CLIENT_LIST_STACKING", XA_WINDOW)
                : std::nullopt;
    if (!order)
        return int(ours.indexOf(&window));
    int position = 0;
    for (auto it = order->crbegin(); it != order->crend(); ++it) {
        const auto found = std::find_if(ours.cbegin(), ours.cend(),
                                        [&](const QWidget* widget) { return Window(widget->winId()) == *it; });
        if (found == ours.cend())
            continue;
        if (*found == &window)
            return position;
        ++position;
    }
    return -1;
}

bool EwmhWindowSystem::hasCompositor() {
    Display* display = X11Connection::display();
    if (!display)
        return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, name.constData(), False)) != None;
}
