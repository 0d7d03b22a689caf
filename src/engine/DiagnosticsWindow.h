#pragma once

#include <memory>

class DiagnosticsView;
class EngineBootstrap;

// The "Microphone Test" window: one for the program, 520 x 520, made at the
// first showing by its owner; closing it only hides it, so the last verdict
// and report are there at the next show(). GUI thread.
namespace DiagnosticsWindow {

// The window over `engine`, centred on the primary screen, not yet shown.
std::unique_ptr<DiagnosticsView> make(EngineBootstrap& engine);
// Shows, raises and activates the window.
void show(DiagnosticsView& window);

} // namespace DiagnosticsWindow
