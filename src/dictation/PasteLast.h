#pragma once

#include <QString>

#include <functional>
#include <optional>

class AppState;
class BubbleControl;
class HistoryStore;

// The command that pastes the last dictation again, from the menu or its hot key.
namespace PasteLast {

// The newest history entry's text: nothing when there is no entry or its text
// is blank, else the text as stored.
std::optional<QString> text(const HistoryStore& history);

// Pastes the newest history entry's text (or copies it when keystrokes cannot
// reach other applications) and tells the user what happened: a flash in the
// bubble for 2.2 s and an announcement. Without a `bubble`, the message is
// only set in the state and taken down after the same time. When the newest
// thing dictated is a take the speech engine failed on, `retryKeptTake` is
// called instead, so that take is transcribed and pasted rather than an
// older text.
void run(const HistoryStore& history, AppState& state, BubbleControl* bubble = nullptr,
         const std::function<void()>& retryKeptTake = {});

} // namespace PasteLast
