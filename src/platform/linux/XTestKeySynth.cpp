#include "platform/linux/XTestKeySynth.h"

#include "platform/linux/PostedKeystrokes.h"
#include "platform/linux/StoredKeyCodes.h"
#include "platform/linux/X11Connection.h"

#include <QList>
#include <QScopedValueRollback>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// The modifier keys that are down right now (the user may still hold the
// hot key's modifiers when the paste goes out).
QList<KeyCode> heldModifiers(Display* display) {
    QList<KeyCode> held;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map)
        return held;
    for (int i = 0; i < 8 * map->max_keypermod; ++i) {
        const KeyCode code = map->modifiermap[i];
        if (code != 0 && (keys[code / 8] & (1 << (code % 8))) && !held.contains(code))
            held << code;
    }
    XFreeModifiermap(map);
    return held;
}

// The stored code of the F15 key.
constexpr quint32 kF15 = 113;

} // namespace

XTestKeySynth::XTestKeySynth(PostedKeystrokes* posted) : m_posted(posted) {}

void XTestKeySynth::post(unsigned int keyCode, bool down) {
    if (keyCode == 0)
        return;
    if (m_posted)
        m_posted->note(keyCode, down);
    XTestFakeKeyEvent(X11Connection::display(), keyCode, down ? True : False, CurrentTime);
}

// Presses `modifiers` and `key`, releases them in reverse order, with the
// user's held modifiers lifted for the duration.
void XTestKeySynth::chord(const QList<unsigned long>& modifiers, unsigned long key, int times) {
    Display* display = X11Connection::display();
    if (!display)
        return;
    const KeyCode keyCode = XKeysymToKeycode(display, key);
    if (keyCode != 0)
        chordOnCode(modifiers, keyCode, times);
}

void XTestKeySynth::chordOnCode(const QList<unsigned long>& modifiers, unsigned int keyCode, int times) {
    Display* display = X11Connection::display();
    const QList<KeyCode> held = heldModifiers(display);
    for (KeyCode code : held)
        post(code, false);
    QList<KeyCode> codes;
    for (KeySym modifier : modifiers)
        codes << XKeysymToKeycode(display, modifier);
    for (KeyCode code : codes)
        post(code, true);
    for (int i = 0; i < times; ++i) {
        post(keyCode, true);
        post(keyCode, false);
    }
    for (auto it = codes.crbegin(); it != codes.crend(); ++it)
        post(*it, false);
    for (KeyCode code : held)
        post(code, true);
    XFlush(display);
}

bool XTestKeySynth::canPost() {
    Display* display = X11Connection::display();
    int event = 0, error = 0, major = 0, minor = 0;
    return display && XTestQueryExtension(display, &event, &error, &major, &minor);
}

void XTestKeySynth::paste(PasteChord which) {
    if (which == PasteChord::ControlShiftV)
        chord({XK_Control_L, XK_Shift_L}, XK_v);
    else
        chord({XK_Control_L}, XK_v);
}

void XTestKeySynth::copy() { chord({XK_Control_L}, XK_c); }

void XTestKeySynth::pressReturn() { chord({}, XK_Return); }

void XTestKeySynth::pressBackspace(int count) {
    if (count >= 1)
        chord({}, XK_BackSpace, count);
}

void XTestKeySynth::pressF15() {
    // F15 stands in for a key the user pressed: the key watch must not take it for ours.
    const QScopedValueRollback<PostedKeystrokes*> unmarked(m_posted, nullptr);
    Display* display = X11Connection::display();
    if (!display)
        return;
    if (const KeyCode mapped = XKeysymToKeycode(display, XK_F15); mapped != 0) {
        chordOnCode({}, mapped);
        return;
    }
    const std::optional<quint32> key = StoredKeyCodes::toX11(kF15);
    if (!key)
        return;
    const KeyCode code = KeyCode(*key);
    int perKey = 0;
    KeySym* saved = XGetKeyboardMapping(display, code, 1, &perKey);
    if (!saved)
        return;
    // The server handles these in order, and every application reads the
    // mapping changes in order with the key events between them.
    KeySym f15 = XK_F15;
    XChangeKeyboardMapping(display, code, 1, &f15, 1);
    chordOnCode({}, code);
    XChangeKeyboardMapping(display, code, perKey, saved, 1);
    XFree(saved);
    XFlush(display);
}
