#pragma once

#include "platform/MotionSetting.h"

// A desktop whose animation setting the test sets; motion is on until it does.
class FakeMotionSetting : public MotionSetting {
public:
    bool reducesMotion() const override { return reduced; }
    // Changes the setting as the desktop would, with the notification.
    void setReduced(bool value) {
        reduced = value;
        emit changed();
    }
    bool reduced = false;
};
