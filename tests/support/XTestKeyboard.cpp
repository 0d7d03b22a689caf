#include "support/XTestKeyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

struct XTestKeyboard::Connection {
    Display* display = nullptr;
};

XTestKeyboard::XTestKeyboard() : m_connection(std::make_unique<Connection>()) {
    m_connection->display = XOpenDisplay(nullptr);
}

XTestKeyboard::~XTestKeyboard() {
    if (m_connection->display)
        XCloseDisplay(m_connection->display);
}

bool XTestKeyboard::isOpen() const { return m_connection->display != nullptr; }

unsigned int XTestKeyboard::keyCode(const char* keysym) const {
    return XKeysymToKeycode(m_connection->display, XStringToKeysym(keysym));
}

void XTestKeyboard::press(const char* keysym) {
    XTestFakeKeyEvent(m_connection->display, keyCode(keysym), True, CurrentTime);
    XSync(m_connection->display, False);
}

void XTestKeyboard::release(const char* keysym) {
    XTestFakeKeyEvent(m_connection->display, keyCode(keysym), False, CurrentTime);
    XSync(m_connection->display, False);
}

void XTestKeyboard::tap(const char* keysym) {
    press(keysym);
    release(keysym);
}

bool XTestKeyboard::numLockOn() const {
    XkbStateRec state;
    if (XkbGetState(m_connection->display, XkbUseCoreKbd, &state) != Success)
        return false;
    // Num Lock locks Mod2 on the usual keymaps.
    return state.locked_mods & Mod2Mask;
}

namespace {
bool grabFailed = false;
int noteError(Display*, XErrorEvent*) {
    grabFailed = true;
    return 0;
}
} // namespace

void XTestKeyboard::ungrabControlAlt(const char* keysym) {
    Display* display = m_connection->display;
    XUngrabKey(display, int(keyCode(keysym)), ControlMask | Mod1Mask, DefaultRootWindow(display));
    XSync(display, False);
}

bool XTestKeyboard::controlAltHeld(const char* keysym) {
    if (!grabControlAlt(keysym))
        return true;
    ungrabControlAlt(keysym);
    return false;
}

bool XTestKeyboard::grabControlAlt(const char* keysym) {
    Display* display = m_connection->display;
    XSync(display, False);
    grabFailed = false;
    XErrorHandler previous = XSetErrorHandler(noteError);
    XGrabKey(display, int(keyCode(keysym)), ControlMask | Mod1Mask, DefaultRootWindow(display), False, GrabModeAsync,
             GrabModeAsync);
    XSync(display, False);
    XSetErrorHandler(previous);
    return !grabFailed;
}
