#include "support/XTestPointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

struct XTestPointer::Connection {
    Display* display = nullptr;
};

XTestPointer::XTestPointer() : m_connection(std::make_unique<Connection>()) {
    m_connection->display = XOpenDisplay(nullptr);
}

XTestPointer::~XTestPointer() {
    if (m_connection->display)
        XCloseDisplay(m_connection->display);
}

bool XTestPointer::isOpen() const { return m_connection->display != nullptr; }

void XTestPointer::moveTo(QPoint at) {
    if (!isOpen())
        return;
    XTestFakeMotionEvent(m_connection->display, -1, at.x(), at.y(), CurrentTime);
    XFlush(m_connection->display);
}

void XTestPointer::click() {
    press();
    release();
}

void XTestPointer::press() {
    if (!isOpen())
        return;
    XTestFakeButtonEvent(m_connection->display, 1, True, CurrentTime);
    XFlush(m_connection->display);
}

void XTestPointer::release() {
    if (!isOpen())
        return;
    XTestFakeButtonEvent(m_connection->display, 1, False, CurrentTime);
    XFlush(m_connection->display);
}

void XTestPointer::sync() {
    if (isOpen())
        XSync(m_connection->display, False);
}
