#pragma once

#include <QString>

#include <optional>

// What the desktop lets the program do with other applications. Pasting needs
// only keystrokes that reach the focused application (an X11 display with
// XTest; not under Wayland). Reading the text around the caret needs the
// session's accessibility switched on. Both answer at once on the GUI thread.
namespace InsertionAccess {

// Whether a paste keystroke can reach the focused application.
bool canPaste();

// Nothing when the text around the caret can be read. Otherwise switches
// reading on and gives what to tell the user about it; the reads of this very
// insertion may still find nothing.
std::optional<QString> allowReadingAroundCaret();

} // namespace InsertionAccess
