#include "hotkeys/HotkeyManager.h"

#include "platform/Hotkeys.h"
#include "platform/Platform.h"

HotkeyManager::HotkeyManager(Hotkeys* platform) : m_platform(platform) {}

Hotkeys* HotkeyManager::platform() const { return m_platform ? m_platform : Platform::current().hotkeys; }

void HotkeyManager::registerHotkey(quint32 keyCode, quint32 modifiers, std::function<void()> handler) {
    const quint32 id = m_nextID;
    // The counter skips 0 when it wraps, so an id is never mistaken for "none".
    m_nextID = m_nextID == UINT32_MAX ? 1 : m_nextID + 1;
    m_handlers.insert(id, std::move(handler));
    m_combinations.append({id, keyCode, modifiers});
    m_hotKeyRefs.append(std::nullopt);
    if (!isSuspended())
        take(m_combinations.size() - 1);
}

void HotkeyManager::take(qsizetype index) {
    Hotkeys* keys = platform();
    if (!keys)
        return;
    keys->setPressedHandler([this](quint32 pressedId) { pressed(pressedId); });
    const Combination& combination = m_combinations[index];
    const bool grabbed = keys->grab(combination.id, combination.keyCode, combination.modifiers);
    m_hotKeyRefs[index] = grabbed ? std::optional<quint32>(combination.id) : std::nullopt;
}

void HotkeyManager::releaseTaken() {
    if (Hotkeys* keys = platform())
        for (const std::optional<quint32>& ref : std::as_const(m_hotKeyRefs))
            if (ref)
                keys->release(*ref);
}

void HotkeyManager::unregisterAll() {
    releaseTaken();
    m_hotKeyRefs.clear();
    m_combinations.clear();
    m_handlers.clear();
}

void HotkeyManager::suspend() {
    if (m_suspensions++ > 0)
        return;
    releaseTaken();
    for (std::optional<quint32>& ref : m_hotKeyRefs)
        ref.reset();
}

void HotkeyManager::resume() {
    if (m_suspensions == 0 || --m_suspensions > 0)
        return;
    for (qsizetype i = 0; i < m_combinations.size(); ++i)
        take(i);
}

void HotkeyManager::pressed(quint32 id) {
    // A copy: the handler may re-register the hotkeys while it runs.
    const std::function<void()> handler = m_handlers.value(id);
    if (handler)
        handler();
}
