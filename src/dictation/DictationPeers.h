#pragma once

#include "insertion/AXText.h"
#include "state/AppState.h"
#include "state/BubbleMode.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// The floating bubble as the dictation drives it.
class BubbleControl {
public:
    virtual ~BubbleControl() = default;
    virtual void show(BubbleMode mode) = 0;
    virtual void hide() = 0;
    virtual void scheduleHide(std::chrono::milliseconds after) = 0;
};

// Learning from the user's edits of what was dictated.
class CorrectionLearning {
public:
    virtual ~CorrectionLearning() = default;
    // Compares the previous insertion with what the field holds now.
    virtual void checkForCorrection() = 0;
    virtual void noteInsertion(const QString& text, std::optional<AXText::Range> range) = 0;
    // Offers the pending correction for the dictionary, if there is one.
    virtual void offerIfPending() = 0;
};

// Did-you-mean offers for words of an inserted text.
class WordSwapFinder {
public:
    virtual ~WordSwapFinder() = default;
    virtual QList<AppState::WordSwap> findSwaps(const QString& text) = 0;
};

// Celebrates time-saved milestones.
class MilestoneNotifier {
public:
    virtual ~MilestoneNotifier() = default;
    virtual void celebrateIfDue(double totalSavedSeconds) = 0;
};

// The subsystems a dictation reports to that are wired in by the application;
// a missing one (null) is skipped.
struct DictationPeers {
    BubbleControl* bubble = nullptr;
    CorrectionLearning* corrections = nullptr;
    WordSwapFinder* wordSwaps = nullptr;
    MilestoneNotifier* milestones = nullptr;
};
