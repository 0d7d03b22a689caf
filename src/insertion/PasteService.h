#pragma once

#include <QFuture>
#include <QString>

#include <chrono>
#include <functional>

// The one way text goes into another application: it is written to the
// clipboard and the paste keystroke is posted to the focused application.
// Unless the user keeps dictations on the clipboard ("keepDictationOnClipboard",
// on when absent), the text is marked transient for clipboard managers and the
// user's earlier clipboard is put back once the target has taken the text.
// The clipboard is borrowed in turns (ClipboardTurns): while the reader copies
// a selection, a paste or copy waits for it to put the clipboard back, and a
// paste keeps its turn until it has put back what it saved.
namespace PasteService {

// Runs `task` on the GUI thread after `delay`. Tests install their own.
using Schedule = std::function<void(std::chrono::milliseconds delay, std::function<void()> task)>;

// The earliest moment the earlier clipboard comes back after a paste.
inline constexpr std::chrono::milliseconds kRestoreDelay{400};
// When the target has not asked for the text by then, it is put back anyway.
inline constexpr std::chrono::milliseconds kRestoreCap{2000};

// Replaces the scheduler and returns the one in use before.
Schedule setScheduler(Schedule schedule);
void schedule(std::chrono::milliseconds delay, std::function<void()> task);

// Writes `text` and pastes it, at once unless another round trip holds the
// clipboard. Without a way to post keystrokes (Wayland, no display) the text
// is only copied and stays on the clipboard. An empty text changes nothing.
// While the target fetches the text from this program it answers no
// accessibility query, so read it back only once the text was fetched
// (`Pasteboard::whenFetched`) or from the event loop later on.
void paste(const QString& text);
// For a quit: puts back at once the clipboard a paste still holds when its
// target has fetched the text, since the program may be gone before the
// usual moment; a target still to fetch it gets it first, and the clipboard
// comes back at the fetch or at `kRestoreCap` as always. The future finishes
// once nothing is left to put back.
QFuture<void> putBackBeforeQuit();
// Whether the target of the last paste has yet to fetch its text, for at most
// `kRestoreCap`: meanwhile nothing should ask it about its text or windows.
bool fetchAwaited();
// Writes `text` exactly as `paste` does, without keystroke or restore; a
// paste still waiting to put the user's clipboard back no longer does.
void copy(const QString& text);
void sendBackspaces(int count);

// Whether the application with this identifier is a terminal emulator, which
// pastes on Ctrl+Shift+V.
bool isTerminal(const QString& identifier);

} // namespace PasteService
