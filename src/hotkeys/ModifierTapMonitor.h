#pragma once

#include "platform/Hotkeys.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Watches taps of single modifier keys (the right Command key and the like) on
// the whole desktop: two presses within 0.4 s run a binding's action, or one
// tap while its single-tap condition holds (so a tap stops what a double-tap
// started, and the habitual second press is swallowed). A single tap acts when
// the key is released, and only when no ordinary key went down meanwhile: the
// Control of a Control-Alt-D chord is not a tap of the Control key.
class ModifierTapMonitor {
public:
    enum class Key { RightCommand, RightOption, RightControl, LeftCommand, LeftOption, LeftControl };

    static QString toString(Key key);
    static std::optional<Key> fromString(const QString& raw);
    static QList<Key> allKeys();
    // The keys a settings page may offer: all but the right Control key.
    static QList<Key> offerable();
    static quint32 mask(Key key);

    // Longest gap between the two presses of a double-tap, and how long presses
    // are ignored after a single-tap action.
    static constexpr quint32 kWindowMs = 400;

    struct Entry {
        Key key;
        std::function<void()> action;
        std::function<bool()> singleTapWhen;
    };

    struct Binding {
        Key key;
        quint32 mask = 0;
        std::function<void()> action;
        std::function<bool()> singleTapWhen;
        bool wasDown = false;
        // Time of a pending first tap.
        std::optional<quint32> lastTap;
        // Time of the last single-tap press that acted; presses within the window after it are ignored.
        std::optional<quint32> swallowFrom;
        // Time of a press whose single-tap condition held, acting at its release.
        std::optional<quint32> heldSingleTap;
    };

    // `platform` null means the platform services installed at each call.
    explicit ModifierTapMonitor(Hotkeys* platform = nullptr);
    ~ModifierTapMonitor();

    void setBindings(const QList<Entry>& entries);
    const QList<Binding>& bindings() const { return m_bindings; }
    void start();
    void stop();
    bool isWatching() const { return m_watch.has_value(); }

    // The tap detection, for one event.
    void handle(const Hotkeys::KeyEvent& event);

private:
    Hotkeys* platform() const;
    void pressed(qsizetype index, quint32 t);
    void released(qsizetype index);

    Hotkeys* m_platform;
    Hotkeys* m_watchedBy = nullptr;
    std::optional<Hotkeys::WatchId> m_watch;
    QList<Binding> m_bindings;
};
