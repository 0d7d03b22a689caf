#pragma once

#include "support/DelayedCall.h"

#include <QObject>

#include <chrono>
#include <functional>

// Whether the pointer is over the flag magnifier, and the dismissal on
// leaving: 0.2 s after the pointer leaves, the magnifier closes unless the
// pointer came back in the meantime. The program's root makes the one that
// serves the picker; tests build their own with a clock of their own. GUI thread.
class FlagMagnifierHover : public QObject {
public:
    static constexpr std::chrono::milliseconds kDismissDelay{200};

    explicit FlagMagnifierHover(DelayedCall later = DelayedCalls::timers());

    bool inside() const { return m_inside; }

    // The pointer entered (true) or left (false) the magnifier. Leaving
    // schedules the check that runs `dismiss` while `inside` is still false.
    void setInside(bool inside, std::function<void()> dismiss = {});

private:
    DelayedCall m_later;
    bool m_inside = false;
};
