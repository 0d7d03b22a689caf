#pragma once

#include "platform/KeySynth.h"

// Keystrokes through the X server's XTest extension.
class XTestKeySynth : public KeySynth {
public:
    bool canPost() override;
    void paste(PasteChord chord) override;
    void copy() override;
    void pressReturn() override;
    void pressBackspace(int count) override;
    // Keyboard maps often give the F15 key another symbol (Xvfb's says
    // XF86Launch6); the key then says F15 for the length of the press.
    void pressF15() override;
};
