#include "state/AppState.h"

#include "support/SharedInstance.h"

namespace {

// Stores `value` and emits `signal` when it differs from what the field holds.
template <typename T> void assign(AppState* state, T& field, const T& value, void (AppState::*signal)()) {
    if (field == value)
        return;
    field = value;
    emit(state->*signal)();
}

} // namespace

// What the program shows, published to every view and seam.
AppState& AppState::shared() { return SharedInstance<AppState>::get(); }

void AppState::setIsRecording(bool value) { assign(this, m_isRecording, value, &AppState::isRecordingChanged); }
void AppState::setServerReady(bool value) { assign(this, m_serverReady, value, &AppState::serverReadyChanged); }
void AppState::setBubbleMode(BubbleMode value) { assign(this, m_bubbleMode, value, &AppState::bubbleModeChanged); }
void AppState::setLiveText(const QString& value) { assign(this, m_liveText, value, &AppState::liveTextChanged); }
void AppState::setFinalText(const QString& value) { assign(this, m_finalText, value, &AppState::finalTextChanged); }
void AppState::setFlashMessage(const QString& value) {
    assign(this, m_flashMessage, value, &AppState::flashMessageChanged);
}
void AppState::setMicLevel(float value) { assign(this, m_micLevel, value, &AppState::micLevelChanged); }
void AppState::setTargetAppName(const QString& value) {
    assign(this, m_targetAppName, value, &AppState::targetAppNameChanged);
}
void AppState::setModeName(const QString& value) { assign(this, m_modeName, value, &AppState::modeNameChanged); }
void AppState::setModeIsPinned(bool value) { assign(this, m_modeIsPinned, value, &AppState::modeIsPinnedChanged); }
void AppState::setIsTranslating(bool value) { assign(this, m_isTranslating, value, &AppState::isTranslatingChanged); }
void AppState::setCardAtTop(bool value) { assign(this, m_cardAtTop, value, &AppState::cardAtTopChanged); }
void AppState::setCleanupState(CleanupState value) {
    assign(this, m_cleanupState, value, &AppState::cleanupStateChanged);
}
void AppState::setWordSwaps(const QList<WordSwap>& value) {
    assign(this, m_wordSwaps, value, &AppState::wordSwapsChanged);
}
void AppState::setRequestedPane(std::optional<MainWindowPane> value) {
    assign(this, m_requestedPane, value, &AppState::requestedPaneChanged);
}

void AppState::setTargetAppIcon(const QIcon& value) {
    // Icons have no equality; two handles to the same image share a cache key.
    if (m_targetAppIcon.cacheKey() == value.cacheKey())
        return;
    m_targetAppIcon = value;
    emit targetAppIconChanged();
}
