#pragma once

#include <QHash>
#include <QList>

#include <functional>
#include <optional>

class Hotkeys;

// Holds the program's global hotkeys: each registration gets a new id (ids are
// never reused) and its handler runs when the combination is pressed anywhere
// on the desktop. A combination that cannot be had is silently inactive.
class HotkeyManager {
public:
    static HotkeyManager& shared();
    // `platform` null means the platform services installed at each call.
    explicit HotkeyManager(Hotkeys* platform = nullptr);

    void registerHotkey(quint32 keyCode, quint32 modifiers, std::function<void()> handler);
    void unregisterAll();

    // One entry per registration since the last unregisterAll(), in order:
    // the id, or none when the registration failed.
    const QList<std::optional<quint32>>& hotKeyRefs() const { return m_hotKeyRefs; }
    quint32 nextID() const { return m_nextID; }

private:
    Hotkeys* platform() const;
    void pressed(quint32 id);

    Hotkeys* m_platform;
    QHash<quint32, std::function<void()>> m_handlers;
    QList<std::optional<quint32>> m_hotKeyRefs;
    quint32 m_nextID = 1;
};
