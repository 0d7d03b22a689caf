#include "engine/ListenerVerdicts.h"

#include <QMutexLocker>

#include <utility>

std::optional<ListenerVerdicts::Listener> ListenerVerdicts::remembered(quint16 port) const {
    QMutexLocker locker(&m_lock);
    const auto found = m_listeners.constFind(port);
    if (found == m_listeners.cend())
        return std::nullopt;
    return *found;
}

void ListenerVerdicts::remember(quint16 port, Listener listener) {
    QMutexLocker locker(&m_lock);
    m_listeners.insert(port, std::move(listener));
}

void ListenerVerdicts::forget(quint16 port) {
    QMutexLocker locker(&m_lock);
    m_listeners.remove(port);
}
