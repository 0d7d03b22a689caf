#pragma once

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// Delayed calls on a clock the test moves: nothing runs until `advance`,
// which runs every call that falls due, in time order (calls scheduled by
// them included). A call whose context is gone is dropped.
class ManualTimers {
public:
    using Duration = std::chrono::milliseconds;

    // A DelayedCall-shaped function scheduling on this clock.
    auto delayedCall() {
        return [this](Duration delay, QObject* context, std::function<void()> task) {
            delays.push_back(delay);
            m_pending.push_back({m_now + delay, m_sequence++, QPointer<QObject>(context), std::move(task)});
        };
    }

    void advance(Duration span) {
        const Duration end = m_now + span;
        for (;;) {
            auto next = std::min_element(m_pending.begin(), m_pending.end(), [](const Call& a, const Call& b) {
                return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
            });
            if (next == m_pending.end() || next->due > end)
                break;
            Call call = std::move(*next);
            m_pending.erase(next);
            m_now = call.due;
            if (call.context)
                call.task();
        }
        m_now = end;
    }

    // Runs everything, however far ahead.
    void runAll() { advance(std::chrono::hours(24)); }

    Duration now() const { return m_now; }
    std::size_t pending() const { return m_pending.size(); }

    // Every delay asked for, in order.
    std::vector<Duration> delays;

private:
    struct Call {
        Duration due;
        quint64 sequence;
        QPointer<QObject> context;
        std::function<void()> task;
    };
    Duration m_now{0};
    quint64 m_sequence = 0;
    std::vector<Call> m_pending;
};
