#include "reader/FlagMagnifierHover.h"

#include <utility>

FlagMagnifierHover::FlagMagnifierHover(DelayedCall later) : m_later(std::move(later)) {}

void FlagMagnifierHover::setInside(bool inside, std::function<void()> dismiss) {
    m_inside = inside;
    if (inside || !dismiss)
        return;
    m_later(kDismissDelay, this, [this, dismiss = std::move(dismiss)] {
        if (!m_inside)
            dismiss();
    });
}
