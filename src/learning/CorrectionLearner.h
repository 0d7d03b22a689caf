#pragma once

#include "dictation/DictationPeers.h"

class CorrectionChip;
class CorrectionWatch;

// Learning from corrections as the dictation drives it: the watch notes and
// checks insertions, the chip offers what the watch found.
class CorrectionLearner : public CorrectionLearning {
public:
    CorrectionLearner(CorrectionWatch& watch, CorrectionChip& chip);

    void checkForCorrection() override;
    void noteInsertion(const QString& text, std::optional<AXText::Range> range) override;
    void offerIfPending() override;

private:
    CorrectionWatch& m_watch;
    CorrectionChip& m_chip;
};
