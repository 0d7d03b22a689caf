#include "platform/linux/X11Hotkeys.h"

#include "platform/linux/PostedKeystrokes.h"
#include "platform/linux/StoredKeyCodes.h"

// Qt before X11: the X headers define macros (Bool, Status) that Qt's headers use as names.
#include <QSocketNotifier>
#include <QTimer>

#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// X11 pointer buttons: the left one, and the four the wheel turns as.
constexpr int kLeftButton = 1;
constexpr int kFirstWheelButton = 4;
constexpr int kLastWheelButton = 7;

// The error of the last trapped request on our connection; another
// connection's errors go to the handler that was there before.
Display* trappedDisplay = nullptr;
int trappedError = 0;
XErrorHandler previousHandler = nullptr;

int trapErrors(Display* display, XErrorEvent* event) {
    if (display == trappedDisplay) {
        if (!trappedError)
            trappedError = event->error_code;
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

// Runs `requests` and reports the first X error they caused (0 for none).
template <typename Requests> int trapped(Display* display, Requests requests) {
    XSync(display, False);
    trappedDisplay = display;
    trappedError = 0;
    previousHandler = XSetErrorHandler(trapErrors);
    requests();
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    trappedDisplay = nullptr;
    return trappedError;
}

// A plain press of one of a taking's keys, as the event queue is searched for it.
struct TakenPress {
    const QHash<quint32, quint32>* keys;
    // The modifiers that make a press not plain.
    unsigned int modifiers;
};

int isTakenPress(Display*, XEvent* event, XPointer wanted) {
    const auto* press = reinterpret_cast<const TakenPress*>(wanted);
    return event->type == KeyPress && (event->xkey.state & press->modifiers) == 0
           && press->keys->contains(event->xkey.keycode);
}

constexpr quint32 kCommand = 0x100;
constexpr quint32 kShift = 0x200;
constexpr quint32 kOption = 0x800;
constexpr quint32 kControl = 0x1000;

} // namespace

X11Hotkeys::X11Hotkeys(PostedKeystrokes* posted) : m_posted(posted) {
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        m_opening = std::async(std::launch::async, &X11Hotkeys::open);
}

X11Hotkeys::~X11Hotkeys() {
    m_notifier.reset();
    if (m_opening.valid())
        m_display = m_opening.get().display;
    if (m_display)
        XCloseDisplay(m_display);
}

X11Hotkeys::Opened X11Hotkeys::open() {
    Opened opened{XOpenDisplay(nullptr), -1};
    int event = 0, error = 0;
    if (opened.display && XQueryExtension(opened.display, "XInputExtension", &opened.xiOpcode, &event, &error)) {
        int major = 2, minor = 2;
        if (XIQueryVersion(opened.display, &major, &minor) != Success)
            opened.xiOpcode = -1;
    } else {
        opened.xiOpcode = -1;
    }
    return opened;
}

bool X11Hotkeys::connect() {
    if (m_connectTried)
        return m_display != nullptr;
    m_connectTried = true;
    if (!m_opening.valid())
        return false;
    const Opened opened = m_opening.get();
    m_display = opened.display;
    m_xiOpcode = opened.xiOpcode;
    if (!m_display)
        return false;
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
    return true;
}

void X11Hotkeys::scheduleDrain() {
    // Requests that wait for a reply can pull events into Xlib's queue without
    // the socket becoming readable again.
    if (m_notifier)
        QTimer::singleShot(0, m_notifier.get(), [this] { drain(); });
}

void X11Hotkeys::drain() {
    while (m_display && XPending(m_display)) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == KeyPress) {
            handleKeyPress(event.xkey.keycode, event.xkey.state, event.xkey.time);
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            m_modifierMasks.clear();
        } else if (event.type == PropertyNotify) {
            if (m_activeWindowAtom && event.xproperty.atom == m_activeWindowAtom)
                deliverInput(InputEvent::ActiveWindowChanged);
        } else if (event.type == GenericEvent && event.xcookie.extension == m_xiOpcode
                   && XGetEventData(m_display, &event.xcookie)) {
            const int type = event.xcookie.evtype;
            const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
            if (type == XI_RawKeyPress || type == XI_RawKeyRelease) {
                handleRawKey(quint32(raw->detail), type == XI_RawKeyPress, quint32(raw->time));
                if (type == XI_RawKeyRelease)
                    deliverInput(InputEvent::KeyUp);
            } else if (type == XI_RawButtonRelease && raw->detail == kLeftButton) {
                deliverInput(InputEvent::LeftButtonUp);
            } else if (type == XI_RawButtonPress && raw->detail >= kFirstWheelButton
                       && raw->detail <= kLastWheelButton) {
                deliverInput(InputEvent::Scroll);
            }
            XFreeEventData(m_display, &event.xcookie);
        }
    }
}

unsigned int X11Hotkeys::modifierMaskOf(unsigned long keysym) const {
    // Asking the desktop takes a round trip; its answer holds until the keyboard's mapping changes.
    if (const auto known = m_modifierMasks.constFind(keysym); known != m_modifierMasks.cend())
        return *known;
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    if (!code)
        return m_modifierMasks[keysym] = 0;
    unsigned int mask = 0;
    if (XModifierKeymap* map = XGetModifierMapping(m_display)) {
        for (int modifier = 0; modifier < 8; ++modifier)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (map->modifiermap[modifier * map->max_keypermod + k] == code)
                    mask |= 1u << modifier;
        XFreeModifiermap(map);
    }
    return m_modifierMasks[keysym] = mask;
}

unsigned int X11Hotkeys::toX11Modifiers(quint32 modifiers) const {
    unsigned int mask = 0;
    if (modifiers & kShift)
        mask |= ShiftMask;
    if (modifiers & kControl)
        mask |= ControlMask;
    if (modifiers & kOption)
        mask |= modifierMaskOf(XK_Alt_L) ? modifierMaskOf(XK_Alt_L) : Mod1Mask;
    if (modifiers & kCommand)
        mask |= modifierMaskOf(XK_Super_L) ? modifierMaskOf(XK_Super_L) : Mod4Mask;
    return mask;
}

QList<unsigned int> X11Hotkeys::lockVariants() const {
    const unsigned int numLock = modifierMaskOf(XK_Num_Lock);
    QList<unsigned int> variants = {0, LockMask};
    if (numLock)
        variants << numLock << (numLock | LockMask);
    return variants;
}

int X11Hotkeys::grabVariants(quint32 x11KeyCode, unsigned int x11Modifiers) {
    const Window root = DefaultRootWindow(m_display);
    const QList<unsigned int> variants = lockVariants();
    const int error = trapped(m_display, [&] {
        for (unsigned int variant : variants)
            XGrabKey(m_display, int(x11KeyCode), x11Modifiers | variant, root, False, GrabModeAsync, GrabModeAsync);
    });
    // Another program holds the combination (or part of its variants): give
    // back whatever we did get.
    if (error)
        ungrabVariants(x11KeyCode, x11Modifiers);
    scheduleDrain();
    return error;
}

void X11Hotkeys::ungrabVariants(quint32 x11KeyCode, unsigned int x11Modifiers) {
    const Window root = DefaultRootWindow(m_display);
    const QList<unsigned int> variants = lockVariants();
    trapped(m_display, [&] {
        for (unsigned int variant : variants)
            XUngrabKey(m_display, int(x11KeyCode), x11Modifiers | variant, root);
    });
    scheduleDrain();
}

bool X11Hotkeys::isHeld(quint32 x11KeyCode, unsigned int x11Modifiers) const {
    // The desktop keeps one grab per combination and client; a second
    // registration of a combination we hold would steal the first one's key.
    for (const Grab& held : std::as_const(m_grabs))
        if (held.x11KeyCode == x11KeyCode && held.x11Modifiers == x11Modifiers)
            return true;
    if (x11Modifiers == 0)
        for (const auto& [id, taking] : m_takings)
            if (taking.keys.contains(x11KeyCode))
                return true;
    return false;
}

bool X11Hotkeys::grab(quint32 id, quint32 keyCode, quint32 modifiers) {
    if (!connect())
        return false;
    const std::optional<quint32> x11Key = StoredKeyCodes::toX11(keyCode);
    if (!x11Key)
        return false;
    const Grab wanted{*x11Key, toX11Modifiers(modifiers)};
    if (isHeld(wanted.x11KeyCode, wanted.x11Modifiers) || grabVariants(wanted.x11KeyCode, wanted.x11Modifiers))
        return false;
    m_grabs.insert(id, wanted);
    return true;
}

void X11Hotkeys::release(quint32 id) {
    const auto held = m_grabs.find(id);
    if (held == m_grabs.end() || !m_display)
        return;
    const Grab grab = *held;
    m_grabs.erase(held);
    ungrabVariants(grab.x11KeyCode, grab.x11Modifiers);
}

std::optional<Hotkeys::TakeId> X11Hotkeys::takeKeys(const QList<quint32>& keyCodes,
                                                    std::function<void(quint32)> handler) {
    if (!connect())
        return std::nullopt;
    Taking taking{{}, std::move(handler)};
    for (quint32 keyCode : keyCodes) {
        const std::optional<quint32> x11Key = StoredKeyCodes::toX11(keyCode);
        if (!x11Key || isHeld(*x11Key, 0))
            return std::nullopt;
        taking.keys.insert(*x11Key, keyCode);
    }
    for (auto it = taking.keys.cbegin(); it != taking.keys.cend(); ++it) {
        if (grabVariants(it.key(), 0)) {
            for (auto done = taking.keys.cbegin(); done != it; ++done)
                ungrabVariants(done.key(), 0);
            return std::nullopt;
        }
    }
    const TakeId id = m_nextTaking++;
    m_takings.emplace(id, std::move(taking));
    return id;
}

void X11Hotkeys::releaseKeys(TakeId taking) {
    const auto found = m_takings.find(taking);
    if (found == m_takings.end())
        return;
    const Taking released = found->second;
    m_takings.erase(found);
    for (quint32 x11Key : released.keys.keys())
        ungrabVariants(x11Key, 0);
    // A press the desktop sent before the keys went back never reached the
    // focused window: it is the taker's, though we had not read it yet.
    XSync(m_display, False);
    TakenPress wanted{&released.keys, notPlainModifiers()};
    XEvent event;
    while (XCheckIfEvent(m_display, &event, isTakenPress, reinterpret_cast<XPointer>(&wanted))) {
        XUngrabKeyboard(m_display, event.xkey.time);
        if (released.handler)
            released.handler(released.keys.value(event.xkey.keycode));
    }
}

unsigned int X11Hotkeys::notPlainModifiers() const {
    return ShiftMask | ControlMask | toX11Modifiers(kOption | kCommand);
}

void X11Hotkeys::setPressedHandler(std::function<void(quint32)> handler) { m_pressed = std::move(handler); }

void X11Hotkeys::handleKeyPress(quint32 x11KeyCode, unsigned int state, unsigned long time) {
    const unsigned int relevant = notPlainModifiers();
    if ((state & relevant) == 0) {
        for (const auto& [id, taking] : m_takings) {
            if (!taking.keys.contains(x11KeyCode))
                continue;
            // The grab stays active until the key comes up; end it now, so that
            // keys the handler posts reach the focused window, not us.
            XUngrabKeyboard(m_display, time);
            XSync(m_display, False);
            scheduleDrain();
            const std::function<void(quint32)> handler = taking.handler;
            if (handler)
                handler(taking.keys.value(x11KeyCode));
            return;
        }
    }
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it->x11KeyCode == x11KeyCode && it->x11Modifiers == (state & relevant)) {
            if (m_pressed)
                m_pressed(it.key());
            return;
        }
    }
}

void X11Hotkeys::updateSelection() {
    if (!m_display || m_xiOpcode < 0)
        return;
    const bool keys = !m_watchers.empty() || !m_inputWatchers.empty();
    const bool input = !m_inputWatchers.empty();
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (keys) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    if (input) {
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
    }
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(m_display, DefaultRootWindow(m_display), &mask, 1);
    if (input && !m_activeWindowAtom)
        m_activeWindowAtom = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    XSelectInput(m_display, DefaultRootWindow(m_display), input ? PropertyChangeMask : NoEventMask);
    XFlush(m_display);
}

std::optional<Hotkeys::WatchId> X11Hotkeys::startWatching(std::function<void(const KeyEvent&)> handler) {
    if (!connect() || m_xiOpcode < 0)
        return std::nullopt;
    if (m_watchers.empty())
        m_modifiersDown.clear();
    const WatchId id = m_nextWatcher++;
    m_watchers.emplace(id, std::move(handler));
    updateSelection();
    return id;
}

std::optional<Hotkeys::WatchId> X11Hotkeys::startWatchingInput(std::function<void(InputEvent)> handler) {
    if (!connect() || m_xiOpcode < 0)
        return std::nullopt;
    const WatchId id = m_nextWatcher++;
    m_inputWatchers.emplace(id, std::move(handler));
    updateSelection();
    return id;
}

void X11Hotkeys::stopWatching(WatchId watcher) {
    if (!m_watchers.erase(watcher) && !m_inputWatchers.erase(watcher))
        return;
    if (m_watchers.empty())
        m_modifiersDown.clear();
    updateSelection();
}

void X11Hotkeys::deliverInput(InputEvent event) {
    std::vector<WatchId> ids;
    for (const auto& [id, handler] : m_inputWatchers)
        ids.push_back(id);
    for (WatchId id : ids) {
        const auto it = m_inputWatchers.find(id);
        if (it == m_inputWatchers.end())
            continue;
        const std::function<void(InputEvent)> handler = it->second;
        handler(event);
    }
}

void X11Hotkeys::deliver(const KeyEvent& event) {
    // By id, looked up afresh: a handler may end its own or another watch.
    std::vector<WatchId> ids;
    for (const auto& [id, handler] : m_watchers)
        ids.push_back(id);
    for (WatchId id : ids) {
        const auto it = m_watchers.find(id);
        if (it == m_watchers.end())
            continue;
        const std::function<void(const KeyEvent&)> handler = it->second;
        handler(event);
    }
}

quint32 X11Hotkeys::sideBitOf(quint32 x11KeyCode) const {
    switch (XkbKeycodeToKeysym(m_display, KeyCode(x11KeyCode), 0, 0)) {
    case XK_Control_L:
        return LeftControl;
    case XK_Control_R:
        return RightControl;
    case XK_Super_L:
    case XK_Meta_L:
        return LeftCommand;
    case XK_Super_R:
    case XK_Meta_R:
        return RightCommand;
    case XK_Alt_L:
        return LeftOption;
    case XK_Alt_R:
    case XK_ISO_Level3_Shift:
        return RightOption;
    default:
        return 0;
    }
}

bool X11Hotkeys::isModifierKey(quint32 x11KeyCode) const {
    const KeySym keysym = XkbKeycodeToKeysym(m_display, KeyCode(x11KeyCode), 0, 0);
    return IsModifierKey(keysym);
}

void X11Hotkeys::handleRawKey(quint32 x11KeyCode, bool press, quint32 timeMs) {
    if (m_watchers.empty())
        return;
    const bool posted = m_posted && m_posted->claim(x11KeyCode, press);
    if (!isModifierKey(x11KeyCode)) {
        if (press)
            deliver({KeyEvent::Kind::KeyDown, 0, timeMs, StoredKeyCodes::fromX11(x11KeyCode), posted});
        return;
    }
    if (press)
        m_modifiersDown.insert(x11KeyCode);
    else
        m_modifiersDown.remove(x11KeyCode);
    quint32 flags = 0;
    for (quint32 code : std::as_const(m_modifiersDown))
        flags |= sideBitOf(code);
    deliver({KeyEvent::Kind::FlagsChanged, flags, timeMs, std::nullopt, posted});
}

std::optional<quint32> X11Hotkeys::keyCodeForNative(quint32 nativeScanCode) const {
    return StoredKeyCodes::fromX11(nativeScanCode);
}

QString X11Hotkeys::layoutText(quint32 keyCode) const {
    const std::optional<quint32> x11Key = StoredKeyCodes::toX11(keyCode);
    if (!x11Key || !const_cast<X11Hotkeys*>(this)->connect())
        return {};
    XkbStateRec state;
    const unsigned int group = XkbGetState(m_display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    const KeySym keysym = XkbKeycodeToKeysym(m_display, KeyCode(*x11Key), int(group), 0);
    if (keysym == NoSymbol)
        return {};
    char text[64] = {};
    const int length = xkb_keysym_to_utf8(xkb_keysym_t(keysym), text, sizeof text);
    if (length <= 1)
        return {};
    const QString printed = QString::fromUtf8(text);
    // Keys that print nothing visible (Return, Tab, …) have no name here.
    for (QChar c : printed)
        if (!c.isPrint())
            return {};
    return printed;
}
