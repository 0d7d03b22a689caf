#include "platform/linux/X11Connection.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace X11Connection {

bool isWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
           || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

_XDisplay* display() {
    static Display* connection = [] {
        if (isWayland() || qEnvironmentVariableIsEmpty("DISPLAY"))
            return static_cast<Display*>(nullptr);
        return XOpenDisplay(nullptr);
    }();
    return connection;
}

} // namespace X11Connection
