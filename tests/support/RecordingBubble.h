#pragma once

#include "dictation/DictationPeers.h"

#include <QList>

#include <chrono>

// Records which bubble modes were shown and the hides scheduled.
class RecordingBubble : public BubbleControl {
public:
    void show(BubbleMode mode) override { shown << mode; }
    void hide() override {}
    void scheduleHide(std::chrono::milliseconds after) override { hides << after; }

    QList<BubbleMode> shown;
    QList<std::chrono::milliseconds> hides;
};
