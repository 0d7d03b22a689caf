#pragma once

#include "platform/Hotkeys.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>

#include <utility>

// Records grabs and takings and lets a test press them or feed watched key
// events.
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

    std::optional<TakeId> takeKeys(const QList<quint32>& keyCodes, std::function<void(quint32)> handler) override {
        for (quint32 keyCode : keyCodes)
            if (takenKey(keyCode) || takenElsewhere.contains({keyCode, 0u}))
                return std::nullopt;
        for (const Grab& held : std::as_const(grabs))
            if (held.modifiers == 0 && keyCodes.contains(held.keyCode))
                return std::nullopt;
        const TakeId id = nextTaking++;
        takings.insert(id, {keyCodes, std::move(handler)});
        return id;
    }
    void releaseKeys(TakeId taking) override {
        const Taking released = takings.take(taking);
        if (released.handler)
            for (quint32 keyCode : std::exchange(unreadPresses, {}))
                released.handler(keyCode);
    }

    // The keys taken now, in no particular order.
    QList<quint32> takenKeys() const {
        QList<quint32> keys;
        for (const Taking& taking : takings)
            keys << taking.keys;
        return keys;
    }

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
    void keyDown(quint32 keyCode, quint32 timeMs = 0, bool posted = false) {
        if (watch)
            watch({KeyEvent::Kind::KeyDown, 0, timeMs, keyCode, posted});
    }

    // A plain key typed on the desktop: every watcher sees it go down, and a
    // taker that holds it gets it instead of the focused application. True
    // when it was taken.
    bool type(quint32 keyCode) {
        keyDown(keyCode);
        const Taking* taking = takenKey(keyCode);
        if (!taking)
            return false;
        const std::function<void(quint32)> handler = taking->handler;
        handler(keyCode);
        return true;
    }

    struct Taking {
        QList<quint32> keys;
        std::function<void(quint32)> handler;
    };

    QList<Grab> grabs;
    QMap<TakeId, Taking> takings;
    TakeId nextTaking = 1;
    int releases = 0;
    int watchStarts = 0;
    QSet<QPair<quint32, quint32>> takenElsewhere;
    // Presses the desktop sent that are read only as a taking is released.
    QList<quint32> unreadPresses;
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
    const Taking* takenKey(quint32 keyCode) const {
        for (const Taking& taking : takings)
            if (taking.keys.contains(keyCode))
                return &taking;
        return nullptr;
    }

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
