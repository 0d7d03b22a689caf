#include "hotkeys/HotkeyManager.h"

#include "platform/Hotkeys.h"
#include "platform/Platform.h"

HotkeyManager& HotkeyManager::shared() {
    // Kept for the life of the process: at exit the platform services it
    // talks to are already gone, so it must not be destroyed after them.
    static HotkeyManager* manager = new HotkeyManager();
    return *manager;
}

HotkeyManager::HotkeyManager(Hotkeys* platform) : m_platform(platform) {}

Hotkeys* HotkeyManager::platform() const { return m_platform ? m_platform : Platform::current().hotkeys; }

void HotkeyManager::registerHotkey(quint32 keyCode, quint32 modifiers, std::function<void()> handler) {
    const quint32 id = m_nextID;
    // The counter skips 0 when it wraps, so an id is never mistaken for "none".
    m_nextID = m_nextID == UINT32_MAX ? 1 : m_nextID + 1;
    m_handlers.insert(id, std::move(handler));
    Hotkeys* keys = platform();
    if (!keys) {
        m_hotKeyRefs.append(std::nullopt);
        return;
    }
    keys->setPressedHandler([this](quint32 pressedId) { pressed(pressedId); });
    const bool grabbed = keys->grab(id, keyCode, modifiers);
    m_hotKeyRefs.append(grabbed ? std::optional<quint32>(id) : std::nullopt);
}

void HotkeyManager::unregisterAll() {
    if (Hotkeys* keys = platform())
        for (const std::optional<quint32>& ref : std::as_const(m_hotKeyRefs))
            if (ref)
                keys->release(*ref);
    m_hotKeyRefs.clear();
    m_handlers.clear();
}

void HotkeyManager::pressed(quint32 id) {
    // A copy: the handler may re-register the hotkeys while it runs.
    const std::function<void()> handler = m_handlers.value(id);
    if (handler)
        handler();
}
