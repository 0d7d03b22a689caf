#include "hotkeys/ModifierTapMonitor.h"

#include "platform/Platform.h"

#include <utility>

namespace {

struct KeyInfo {
    ModifierTapMonitor::Key key;
    const char* raw;
    quint32 mask;
};

constexpr KeyInfo kKeys[] = {
    {ModifierTapMonitor::Key::RightCommand, "rightCommand", Hotkeys::RightCommand},
    {ModifierTapMonitor::Key::RightOption, "rightOption", Hotkeys::RightOption},
    {ModifierTapMonitor::Key::RightControl, "rightControl", Hotkeys::RightControl},
    {ModifierTapMonitor::Key::LeftCommand, "leftCommand", Hotkeys::LeftCommand},
    {ModifierTapMonitor::Key::LeftOption, "leftOption", Hotkeys::LeftOption},
    {ModifierTapMonitor::Key::LeftControl, "leftControl", Hotkeys::LeftControl},
};

const KeyInfo& info(ModifierTapMonitor::Key key) {
    for (const KeyInfo& k : kKeys)
        if (k.key == key)
            return k;
    return kKeys[0];
}

// Milliseconds from `from` to `to` on a clock that wraps at 2^32; negative
// when `to` comes first.
qint64 elapsed(quint32 from, quint32 to) { return qint32(to - from); }

} // namespace

QString ModifierTapMonitor::toString(Key key) { return QString::fromLatin1(info(key).raw); }

std::optional<ModifierTapMonitor::Key> ModifierTapMonitor::fromString(const QString& raw) {
    for (const KeyInfo& k : kKeys)
        if (raw == QLatin1String(k.raw))
            return k.key;
    return std::nullopt;
}

QList<ModifierTapMonitor::Key> ModifierTapMonitor::allKeys() {
    QList<Key> keys;
    for (const KeyInfo& k : kKeys)
        keys << k.key;
    return keys;
}

QList<ModifierTapMonitor::Key> ModifierTapMonitor::offerable() {
    QList<Key> keys = allKeys();
    keys.removeAll(Key::RightControl);
    return keys;
}

quint32 ModifierTapMonitor::mask(Key key) { return info(key).mask; }

ModifierTapMonitor::ModifierTapMonitor(Hotkeys* platform) : m_platform(platform) {}

ModifierTapMonitor::~ModifierTapMonitor() { stop(); }

Hotkeys* ModifierTapMonitor::platform() const { return m_platform ? m_platform : Platform::current().hotkeys; }

void ModifierTapMonitor::setBindings(const QList<Entry>& entries) {
    m_bindings.clear();
    for (const Entry& entry : entries)
        m_bindings.append({entry.key, mask(entry.key), entry.action, entry.singleTapWhen, false, {}, {}, {}});
}

void ModifierTapMonitor::start() {
    stop();
    if (m_bindings.isEmpty())
        return;
    Hotkeys* keys = platform();
    if (!keys)
        return;
    m_watch = keys->startWatching([this](const Hotkeys::KeyEvent& event) { handle(event); });
    if (m_watch)
        m_watchedBy = keys;
}

void ModifierTapMonitor::stop() {
    if (m_watch && m_watchedBy)
        m_watchedBy->stopWatching(*m_watch);
    m_watchedBy = nullptr;
    m_watch.reset();
}

void ModifierTapMonitor::handle(const Hotkeys::KeyEvent& event) {
    if (event.kind == Hotkeys::KeyEvent::Kind::KeyDown) {
        for (Binding& binding : m_bindings) {
            binding.lastTap.reset();
            binding.heldSingleTap.reset();
        }
        return;
    }
    // By index: an action may replace the bindings while this loop runs.
    for (qsizetype i = 0; i < m_bindings.size(); ++i) {
        Binding& binding = m_bindings[i];
        const bool down = (event.flags & binding.mask) != 0;
        const bool wasDown = binding.wasDown;
        binding.wasDown = down;
        if (down && !wasDown)
            pressed(i, event.timeMs);
        else if (!down && wasDown)
            released(i);
    }
}

void ModifierTapMonitor::pressed(qsizetype index, quint32 t) {
    Binding& binding = m_bindings[index];
    if (binding.swallowFrom) {
        const qint64 since = elapsed(*binding.swallowFrom, t);
        if (since >= 0 && since < kWindowMs)
            return;
    }
    if (binding.singleTapWhen && binding.singleTapWhen()) {
        binding.lastTap.reset();
        binding.heldSingleTap = t;
        return;
    }
    if (binding.lastTap) {
        const qint64 gap = elapsed(*binding.lastTap, t);
        if (gap >= 0 && gap <= kWindowMs) {
            binding.lastTap.reset();
            const std::function<void()> action = binding.action;
            if (action)
                action();
            return;
        }
    }
    binding.lastTap = t;
}

void ModifierTapMonitor::released(qsizetype index) {
    Binding& binding = m_bindings[index];
    const std::optional<quint32> pressedAt = std::exchange(binding.heldSingleTap, std::nullopt);
    // The condition is asked again: what the tap would stop may have ended
    // while the key was held.
    if (!pressedAt || !binding.singleTapWhen || !binding.singleTapWhen())
        return;
    binding.swallowFrom = pressedAt;
    const std::function<void()> action = binding.action;
    if (action)
        action();
}
