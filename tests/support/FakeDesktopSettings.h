#pragma once

#include "platform/DesktopSettings.h"

// Answers what the test sets, counting the calls.
class FakeDesktopSettings : public DesktopSettings {
public:
    Opened openAccessibility() override {
        ++opens;
        return answer;
    }

    Opened answer = Opened::AccessibilityPage;
    int opens = 0;
};
