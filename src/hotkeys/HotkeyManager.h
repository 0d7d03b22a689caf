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
    // `platform` null means the platform services installed at each call.
    explicit HotkeyManager(Hotkeys* platform = nullptr);

    void registerHotkey(quint32 keyCode, quint32 modifiers, std::function<void()> handler);
    void unregisterAll();

    // Gives every combination back to the desktop while at least one
    // suspension is held (a hotkey field recording a combination the program
    // holds would otherwise never see it), and takes them again at the last
    // resume. A registration made meanwhile is taken at that resume too.
    void suspend();
    void resume();
    bool isSuspended() const { return m_suspensions > 0; }

    // One entry per registration since the last unregisterAll(), in order:
    // the id, or none when the registration failed.
    const QList<std::optional<quint32>>& hotKeyRefs() const { return m_hotKeyRefs; }
    quint32 nextID() const { return m_nextID; }

private:
    struct Combination {
        quint32 id;
        quint32 keyCode;
        quint32 modifiers;
    };

    Hotkeys* platform() const;
    void pressed(quint32 id);
    // Grabs the registration at `index`; its entry in m_hotKeyRefs says whether that worked.
    void take(qsizetype index);
    void releaseTaken();

    Hotkeys* m_platform;
    QHash<quint32, std::function<void()>> m_handlers;
    // One per registration, in the order of m_hotKeyRefs.
    QList<Combination> m_combinations;
    QList<std::optional<quint32>> m_hotKeyRefs;
    quint32 m_nextID = 1;
    int m_suspensions = 0;
};
