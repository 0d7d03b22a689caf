#pragma once

#include <QString>

#include <functional>

// What the desktop lets the program do with other applications. Pasting needs
// only keystrokes that reach the focused application (an X11 display with
// XTest; not under Wayland). Reading the text around the caret needs the
// session's accessibility switched on. Both answer at once on the GUI thread.
namespace InsertionAccess {

// Whether a paste keystroke can reach the focused application.
bool canPaste();

// Whether the text around the caret can be read.
bool canReadAroundCaret();

// Asks for reading around the caret to be switched on; `answered` is called on
// the GUI thread, possibly before this returns, with whether it is on as the
// desktop reads it back (false too when there is nobody to ask). The reads of
// an insertion under way may still find nothing.
void askToReadAroundCaret(std::function<void(bool on)> answered);

// What to tell the user when reading was switched on, and when the session
// would not switch it on.
QString readingTurnedOn();
QString readingRefused();

} // namespace InsertionAccess
