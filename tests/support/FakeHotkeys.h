#pragma once

#include "platform/Hotkeys.h"

#include <QHash>
#include <QList>
#include <QSet>

// Records grabs and lets a test press them or feed watched key events.
class FakeHotkeys : public Hotkeys {
public:
    struct Grab {
        quint32 id;
        quint32 keyCode;
        quint32 modifiers;
    };

    bool grab(quint32 id, quint32 keyCode, quint32 modifiers) override {
        for (const Grab& held : std::as_const(grabs))
            if (held.keyCode == keyCode && held.modifiers == modifiers)
                return false;
        if (takenElsewhere.contains({keyCode, modifiers}))
            return false;
        grabs.append({id, keyCode, modifiers});
        return true;
    }
    void release(quint32 id) override {
        grabs.removeIf([id](const Grab& g) { return g.id == id; });
        ++releases;
    }
    void setPressedHandler(std::function<void(quint32)> handler) override { pressed = std::move(handler); }

    bool startWatching(std::function<void(const KeyEvent&)> handler) override {
        watch = std::move(handler);
        ++watchStarts;
        return true;
    }
    void stopWatching() override { watch = nullptr; }

    std::optional<quint32> keyCodeForNative(quint32 nativeScanCode) const override {
        if (nativeToKeyCode.contains(nativeScanCode))
            return nativeToKeyCode.value(nativeScanCode);
        return std::nullopt;
    }
    QString layoutText(quint32 keyCode) const override { return layout.value(keyCode); }

    // Presses a grabbed combination; false when nothing holds it.
    bool press(quint32 keyCode, quint32 modifiers) {
        for (const Grab& held : std::as_const(grabs))
            if (held.keyCode == keyCode && held.modifiers == modifiers) {
                if (pressed)
                    pressed(held.id);
                return true;
            }
        return false;
    }

    QList<Grab> grabs;
    int releases = 0;
    int watchStarts = 0;
    QSet<QPair<quint32, quint32>> takenElsewhere;
    std::function<void(quint32)> pressed;
    std::function<void(const KeyEvent&)> watch;
    QHash<quint32, quint32> nativeToKeyCode;
    QHash<quint32, QString> layout;
};
