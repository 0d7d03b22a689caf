#include "platform/linux/PostedKeystrokes.h"

#include <algorithm>

PostedKeystrokes::PostedKeystrokes(Clock now) : m_now(std::move(now)) {}

void PostedKeystrokes::forgetStale() {
    const auto cutoff = m_now() - kForgetAfter;
    while (!m_entries.empty() && m_entries.front().at < cutoff)
        m_entries.pop_front();
}

void PostedKeystrokes::note(quint32 x11KeyCode, bool press) {
    forgetStale();
    m_entries.push_back({x11KeyCode, press, m_now()});
}

bool PostedKeystrokes::claim(quint32 x11KeyCode, bool press) {
    forgetStale();
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
        return entry.key == x11KeyCode && entry.press == press;
    });
    if (found == m_entries.end())
        return false;
    m_entries.erase(found);
    return true;
}
