#pragma once

#include "platform/KeySynth.h"

#include <QStringList>

// Records keystrokes as short texts: "paste", "paste-terminal", "copy", "return", "backspace×N", "f15".
class FakeKeySynth : public KeySynth {
public:
    bool canPost() override { return available; }
    void paste(PasteChord chord) override {
        posted << (chord == PasteChord::ControlShiftV ? QStringLiteral("paste-terminal") : QStringLiteral("paste"));
    }
    void copy() override { posted << QStringLiteral("copy"); }
    void pressReturn() override { posted << QStringLiteral("return"); }
    void pressBackspace(int count) override { posted << QStringLiteral("backspace×%1").arg(count); }
    void pressF15() override { posted << QStringLiteral("f15"); }

    bool available = true;
    QStringList posted;
};
