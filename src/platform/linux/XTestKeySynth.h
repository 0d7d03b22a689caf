#pragma once

#include "platform/KeySynth.h"

#include <QList>

class PostedKeystrokes;

// Keystrokes through the X server's XTest extension. Each key event that goes
// out is noted in `posted` (when given), so that the key watch knows it for
// the program's own.
class XTestKeySynth : public KeySynth {
public:
    // `posted`, when given, must outlive this object.
    explicit XTestKeySynth(PostedKeystrokes* posted = nullptr);

    bool canPost() override;
    void paste(PasteChord chord) override;
    void copy() override;
    void pressReturn() override;
    void pressBackspace(int count) override;
    // Keyboard maps often give the F15 key another symbol (Xvfb's says
    // XF86Launch6); the key then says F15 for the length of the press.
    void pressF15() override;

private:
    void post(unsigned int keyCode, bool down);
    void chord(const QList<unsigned long>& modifiers, unsigned long key, int times = 1);
    void chordOnCode(const QList<unsigned long>& modifiers, unsigned int keyCode, int times = 1);

    PostedKeystrokes* m_posted;
};
