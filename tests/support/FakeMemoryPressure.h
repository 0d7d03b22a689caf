#pragma once

#include "platform/MemoryPressure.h"

// Lets a test raise memory pressure at will.
class FakeMemoryPressure : public MemoryPressure {
public:
    void watch(Handler handler) override {
        this->handler = std::move(handler);
        ++watchCalls;
    }
    void stopWatching() override { handler = nullptr; }

    // Delivers a pressure event to the installed handler, as the system would.
    void raise(Level level) {
        if (handler)
            handler(level);
    }

    Handler handler;
    int watchCalls = 0;
};
