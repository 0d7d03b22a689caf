#include "learning/CorrectionLearner.h"

#include "learning/CorrectionChip.h"
#include "learning/CorrectionWatch.h"

CorrectionLearner::CorrectionLearner(CorrectionWatch& watch, CorrectionChip& chip) : m_watch(watch), m_chip(chip) {}

void CorrectionLearner::checkForCorrection() { m_watch.checkForCorrection(); }

void CorrectionLearner::noteInsertion(const QString& text, std::optional<AXText::Range> range) {
    m_watch.noteInsertion(text, range);
}

void CorrectionLearner::offerIfPending() { m_chip.offerIfPending(); }
