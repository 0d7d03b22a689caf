#include "dictation/DictationController.h"

#include "cleanup/CleanupEngine.h"
#include "insertion/PasteService.h"
#include "state/AppState.h"
#include "support/Text.h"

#include <QPromise>

using namespace std::chrono_literals;

namespace {

constexpr auto kSettleAfterReclean = 130ms;
constexpr auto kRecleanShownAtMost = 20s;
constexpr auto kRecleanUnchangedShown = 2500ms;
constexpr auto kRecleanDoneShown = 3s;

} // namespace

QFuture<void> DictationController::cleanupLastInsert(std::optional<int> expectedGeneration) {
    if (m_insertedText.isEmpty() || m_state.cleanupState() != AppState::CleanupState::Idle)
        return QtFuture::makeReadyFuture();
    m_state.setCleanupState(AppState::CleanupState::Cleaning);
    scheduleBubbleHide(kRecleanShownAtMost);

    const bool aggressive = m_activeMode.cleanLevel == CleanLevel::Aggressive;
    return m_services.cleanup.clean(m_insertedText, aggressive, QString(), std::nullopt, true)
        .then(this,
              [this, expectedGeneration](const CleanupEngine::Result& outcome) {
                  const QString cleaned = outcome.text;
                  if ((expectedGeneration && *expectedGeneration != m_generation) || cleaned.isEmpty()) {
                      m_state.setCleanupState(AppState::CleanupState::Idle);
                      return QtFuture::makeReadyFuture();
                  }
                  // In the field the clean text joins what precedes it as the dictation did.
                  const QString fitted = fittedAsInserted(cleaned);
                  if (fitted == m_insertedText) {
                      m_state.setFinalText(cleaned);
                      m_state.setCleanupState(AppState::CleanupState::Done);
                      scheduleBubbleHide(kRecleanUnchangedShown);
                      return QtFuture::makeReadyFuture();
                  }
                  const std::optional<AXText::Range> selection = AXText::selectedRange();
                  const bool caretAfterInsertion =
                      m_insertedRange && selection && selection->length == 0
                      && selection->location == m_insertedRange->location + m_insertedRange->length;
                  if (!caretAfterInsertion
                      || !AXText::setSelectedRange(m_insertedRange->location, m_insertedRange->length)) {
                      PasteService::copy(cleaned);
                      m_state.setFinalText(cleaned);
                      m_state.setCleanupState(AppState::CleanupState::Copied);
                      scheduleBubbleHide(kRecleanDoneShown);
                      return QtFuture::makeReadyFuture();
                  }
                  // A dictation started during the waits below resets the remembered
                  // range, so where the new text goes is taken now.
                  const qint64 location = m_insertedRange->location;
                  const int take = m_generation;
                  PasteService::paste(fitted);
                  auto taken = std::make_shared<QPromise<void>>();
                  taken->start();
                  m_delay(kSettleAfterReclean).then(this, [this, taken] {
                      whenPasteTaken([taken] { taken->finish(); });
                  });
                  return taken->future().then(this, [this, cleaned, fitted, location, take] {
                      AXText::setSelectedRange(location + fitted.size(), 0);
                      if (take != m_generation)
                          return; // the newer take owns the card and the remembered insertion
                      m_insertedText = fitted;
                      m_insertedRange = AXText::Range{location, fitted.size()};
                      m_lastCaretEnd = location + fitted.size();
                      m_state.setFinalText(cleaned);
                      m_state.setCleanupState(AppState::CleanupState::Done);
                      scheduleBubbleHide(kRecleanDoneShown);
                  });
              })
        .unwrap();
}

QString DictationController::fittedAsInserted(const QString& text) const {
    return m_insertedFit ? m_insertedFit->applied(text) : text;
}

void DictationController::replacedBy(const QString& text) {
    m_insertedText = text;
    if (!m_insertedRange)
        return;
    m_insertedRange->length = text.size();
    if (m_lastCaretEnd)
        m_lastCaretEnd = m_insertedRange->location + text.size();
}

// ---- Bubble, messages and trace -------------------------------------------------------
