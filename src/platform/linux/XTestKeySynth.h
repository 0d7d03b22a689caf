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
};
