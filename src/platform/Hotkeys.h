#pragma once

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
        Kind kind = Kind::FlagsChanged;
        quint32 flags = 0;
        // The desktop's event time in milliseconds; it wraps around at 2^32.
        quint32 timeMs = 0;
    };

    virtual ~Hotkeys() = default;

    // Takes the combination for the whole desktop under `id`. False when it
    // cannot be had (another program holds it, or there is no desktop to ask).
    virtual bool grab(quint32 id, quint32 keyCode, quint32 modifiers) = 0;
    virtual void release(quint32 id) = 0;
    // Called with the id of a grabbed combination each time it is pressed.
    virtual void setPressedHandler(std::function<void(quint32 id)> handler) = 0;

    // Starts delivering every key press and modifier change to `handler`;
    // false when keys cannot be watched.
    virtual bool startWatching(std::function<void(const KeyEvent&)> handler) = 0;
    virtual void stopWatching() = 0;

    // The stored key code of a key event from one of our own windows (its native
    // scan code), or none for a key the stored codes do not know.
    virtual std::optional<quint32> keyCodeForNative(quint32 nativeScanCode) const = 0;
    // What the current keyboard layout prints on the key, or an empty text.
    virtual QString layoutText(quint32 keyCode) const = 0;
};
