#pragma once

class DiagnosticsView;
class QWidget;

// The "Microphone Test" window: one for the life of the process, 520 x 520,
// created at the first show(); closing it only hides it, so the last verdict
// and report are there at the next show(). GUI thread.
namespace DiagnosticsWindow {

void show();
// The window's view, created on first use.
DiagnosticsView& view();

} // namespace DiagnosticsWindow
