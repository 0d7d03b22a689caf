#pragma once

#include "state/AppState.h"

#include <QString>

// Puts a did-you-mean option in place of its heard word in the inserted text;
// the word-swap learning provides it. The bubble's number keys and option
// buttons go through it.
class WordSwapTaker {
public:
    virtual ~WordSwapTaker() = default;
    virtual void take(const AppState::WordSwap& swap, const QString& option) = 0;
};
