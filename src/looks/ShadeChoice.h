#pragma once

#include "looks/SegmentedChoice.h"

// The three shades a ruled page comes in: "cream", "slate" and "automatic",
// which follows the system's appearance.
class ShadeChoice : public SegmentedChoice {
    Q_OBJECT
public:
    explicit ShadeChoice(QWidget* parent = nullptr);
};
