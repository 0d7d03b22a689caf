#pragma once

// Synthesized keystrokes sent to the application that has the keyboard focus.
// Modifier keys the user still holds are released first and pressed again after.
class KeySynth {
public:
    // The paste keystroke: most applications paste on Ctrl+V, terminal
    // emulators on Ctrl+Shift+V.
    enum class PasteChord { ControlV, ControlShiftV };

    virtual ~KeySynth() = default;

    // Whether keystrokes can be posted at all (not under Wayland, not without a display).
    virtual bool canPost() = 0;
    virtual void paste(PasteChord chord) = 0;
    virtual void copy() = 0;
    virtual void pressReturn() = 0;
    virtual void pressBackspace(int count) = 0;
    // One press and release of F15, a key no application acts on.
    virtual void pressF15() = 0;
};
