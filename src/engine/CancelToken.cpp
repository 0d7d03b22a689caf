#include "engine/CancelToken.h"

#include <utility>

CancelToken::CancelToken() : m_state(std::make_shared<State>()) {}

void CancelToken::cancel() const {
    if (std::exchange(m_state->cancelled, true))
        return;
    // An abort may start or finish other requests: run from a copy.
    const std::vector<Abort> aborts = std::exchange(m_state->aborts, {});
    for (const Abort& abort : aborts)
        if (abort.context)
            abort.run();
}

bool CancelToken::isCancelled() const { return m_state->cancelled; }

void CancelToken::onCancel(QObject* context, std::function<void()> abort) const {
    if (m_state->cancelled) {
        abort();
        return;
    }
    // Requests that ended meanwhile leave nothing behind.
    std::erase_if(m_state->aborts, [](const Abort& entry) { return entry.context.isNull(); });
    m_state->aborts.push_back({context, std::move(abort)});
}
