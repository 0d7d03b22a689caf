#pragma once

struct _XDisplay;

// The program's own connection to the X server for synthesized keys and window
// properties, opened on first use. Null under Wayland or without a display.
namespace X11Connection {

_XDisplay* display();
// Whether the session is a Wayland one, where other applications' windows and
// keys are out of reach.
bool isWayland();

} // namespace X11Connection
