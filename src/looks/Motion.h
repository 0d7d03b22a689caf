#pragma once

#include <QEasingCurve>

// Whether the program animates its changes: not when the desktop asks for
// reduced motion. Read at the start of each animation, so a change of the
// desktop's setting counts from the next one. GUI thread.
namespace Motion {

// True when animations are to be left out and changes shown at once; false
// when no desktop setting is installed.
bool reduced();

// The two timing curves the animations use, as the usual cubic Béziers:
// ease-out (0, 0, 0.58, 1) and ease-in-out (0.42, 0, 0.58, 1).
QEasingCurve easeOut();
QEasingCurve easeInOut();

} // namespace Motion
