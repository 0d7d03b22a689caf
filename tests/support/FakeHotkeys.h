#pragma once

#include "platform/Hotkeys.h"

#include <QHash>
#include <QList>
#include <QMap>
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

    std::optional<WatchId> startWatching(std::function<void(const KeyEvent&)> handler) override {
        if (!watchable)
            return std::nullopt;
        const WatchId id = nextWatcher++;
        watchers.insert(id, std::move(handler));
        ++watchStarts;
        updateWatch();
        return id;
    }
    void stopWatching(WatchId watcher) override {
        watchers.remove(watcher);
        inputWatchers.remove(watcher);
        updateWatch();
    }
    std::optional<WatchId> startWatchingInput(std::function<void(InputEvent)> handler) override {
        if (!watchable)
            return std::nullopt;
        const WatchId id = nextWatcher++;
        inputWatchers.insert(id, std::move(handler));
        return id;
    }

    // Delivers an input event to every input watcher.
    void input(InputEvent event) {
        const QList<WatchId> ids = inputWatchers.keys();
        for (WatchId id : ids)
            if (inputWatchers.contains(id)) {
                const auto handler = inputWatchers.value(id);
                handler(event);
            }
    }

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

    // Delivers an ordinary key going down, with its stored code, to every watcher.
    void keyDown(quint32 keyCode, quint32 timeMs = 0) {
        if (watch)
            watch({KeyEvent::Kind::KeyDown, 0, timeMs, keyCode});
    }

    QList<Grab> grabs;
    int releases = 0;
    int watchStarts = 0;
    QSet<QPair<quint32, quint32>> takenElsewhere;
    std::function<void(quint32)> pressed;
    // Delivers an event to every watcher; empty while nobody watches.
    std::function<void(const KeyEvent&)> watch;
    QMap<WatchId, std::function<void(const KeyEvent&)>> watchers;
    QMap<WatchId, std::function<void(InputEvent)>> inputWatchers;
    WatchId nextWatcher = 1;
    bool watchable = true;
    QHash<quint32, quint32> nativeToKeyCode;
    QHash<quint32, QString> layout;

private:
    void updateWatch() {
        if (watchers.isEmpty()) {
            if (!m_delivering)
                watch = nullptr;
            return;
        }
        if (watch)
            return;
        watch = [this](const KeyEvent& event) {
            // The broadcaster stays alive while it runs, even when a handler
            // ends the last watch; it is dropped afterwards.
            ++m_delivering;
            const QList<WatchId> ids = watchers.keys();
            for (WatchId id : ids)
                if (watchers.contains(id)) {
                    const auto handler = watchers.value(id);
                    handler(event);
                }
            FakeHotkeys* self = this;
            if (!--self->m_delivering && self->watchers.isEmpty())
                self->watch = nullptr; // last: the closure ends here
        };
    }

    int m_delivering = 0;
};
