#include "state/ClipboardTurns.h"

#include "support/SharedInstance.h"

#include <QTimer>

#include <utility>

ClipboardTurns::Turn::Turn(ClipboardTurns& queue) : QObject(&queue), m_queue(queue) {}

void ClipboardTurns::Turn::end() {
    if (std::exchange(m_ended, true))
        return;
    m_queue.ended(*this);
}

ClipboardTurns& ClipboardTurns::shared() { return SharedInstance<ClipboardTurns>::get(); }

ClipboardTurns::ClipboardTurns(QObject* parent) : QObject(parent) {}

void ClipboardTurns::take(Trip trip) {
    if (busy()) {
        m_waiting.push_back(std::move(trip));
        return;
    }
    start(std::move(trip));
}

void ClipboardTurns::start(Trip trip) {
    m_current = new Turn(*this);
    trip(*m_current);
}

void ClipboardTurns::ended(Turn& turn) {
    if (m_current == &turn)
        m_current = nullptr;
    turn.deleteLater();
    // The next trip starts from the event loop, not inside the one that just
    // put the clipboard back; until then the clipboard still counts as busy.
    if (!m_waiting.empty())
        QTimer::singleShot(0, this, &ClipboardTurns::startNext);
}

void ClipboardTurns::startNext() {
    if (m_current || m_waiting.empty())
        return;
    Trip next = std::move(m_waiting.front());
    m_waiting.pop_front();
    start(std::move(next));
}
