#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// Keys for the whole desktop: global hotkeys, a watch of every key press and
// modifier change (for modifier double-taps), and the naming of keys.
//
// Key codes are the stored virtual key codes (2 is D, 9 is V, 15 is R) and
// modifier masks the stored masks (command 0x100, shift 0x200, option 0x800,
// control 0x1000); the implementation maps them onto the desktop's own keys.
class Hotkeys {
public:
    // Side-specific modifier bits carried by a watched event.
    enum ModifierBit : quint32 {
        LeftControl = 0x01,
        LeftCommand = 0x08,
        RightCommand = 0x10,
        LeftOption = 0x20,
        RightOption = 0x40,
        RightControl = 0x2000,
    };

    // One watched event: an ordinary key going down, or a modifier key going
    // down or up (with the modifiers held afterwards).
    struct KeyEvent {
        enum class Kind { KeyDown, FlagsChanged };

        KeyEvent() = default;
        KeyEvent(Kind kind, quint32 flags, quint32 timeMs, std::optional<quint32> keyCode = std::nullopt,
                 bool posted = false)
            : kind(kind), flags(flags), timeMs(timeMs), keyCode(keyCode), posted(posted) {}

        Kind kind = Kind::FlagsChanged;
        quint32 flags = 0;
        // The desktop's event time in milliseconds; it wraps around at 2^32.
        quint32 timeMs = 0;
        // A key going down: its stored key code (36 Return, 76 the keypad's
        // Enter, 18 to 20 the "1" to "3" keys), none for a key the stored codes
        // do not know. Always none for a modifier change.
        std::optional<quint32> keyCode;
        // A keystroke this program posted itself (KeySynth), not the user's typing.
        bool posted = false;
    };

    // One watcher of the key watch.
    using WatchId = quint64;
    // One taking of plain keys.
    using TakeId = quint64;

    virtual ~Hotkeys() = default;

    // Takes the combination for the whole desktop under `id`. False when it
    // cannot be had (another program holds it, or there is no desktop to ask).
    virtual bool grab(quint32 id, quint32 keyCode, quint32 modifiers) = 0;
    virtual void release(quint32 id) = 0;
    // Called with the id of a grabbed combination each time it is pressed.
    virtual void setPressedHandler(std::function<void(quint32 id)> handler) = 0;

    // Takes the plain keys `keyCodes` (pressed without Shift, Control, Option
    // or Command; Caps Lock and Num Lock do not matter) from the applications
    // until released: a press goes to `handler`, with its stored code, and no
    // longer to the focused window. The key watch still sees it. None when one
    // of them cannot be had (another program or one of our hotkeys holds it,
    // or there is no desktop to ask); then nothing is taken.
    virtual std::optional<TakeId> takeKeys(const QList<quint32>& keyCodes,
                                           std::function<void(quint32 keyCode)> handler) = 0;
    // Gives the keys of one taking back; an unknown id does nothing. Presses
    // made before it that the handler has not had yet go to it first.
    virtual void releaseKeys(TakeId taking) = 0;

    // Starts delivering every key press and modifier change to `handler` as
    // well as to the watchers already there (the modifier taps and the bubble
    // share the watch); none when keys cannot be watched. A handler may stop
    // any watch, its own included, while it runs.
    virtual std::optional<WatchId> startWatching(std::function<void(const KeyEvent&)> handler) = 0;
    // Ends one watcher's deliveries, of keys or of input; an unknown id does nothing.
    virtual void stopWatching(WatchId watcher) = 0;

    // What the input watch reports, from any application: a key or the left
    // mouse button going up, the wheel turning, or another window becoming the
    // active one.
    enum class InputEvent { KeyUp, LeftButtonUp, Scroll, ActiveWindowChanged };
    // Starts delivering input events to `handler` on the GUI thread, sharing
    // the watch with the key watchers; none when input cannot be watched.
    // Nothing is swallowed: the applications get every event as before.
    virtual std::optional<WatchId> startWatchingInput(std::function<void(InputEvent)> handler) = 0;

    // The stored key code of a key event from one of our own windows (its native
    // scan code), or none for a key the stored codes do not know.
    virtual std::optional<quint32> keyCodeForNative(quint32 nativeScanCode) const = 0;
    // What the current keyboard layout prints on the key, or an empty text.
    virtual QString layoutText(quint32 keyCode) const = 0;
};
