#pragma once

#include <QPoint>
#include <QtGlobal>

#include <optional>

// The top-level windows of the X desktop as far as pointing goes: which one
// is under a point and which process it belongs to. Over the shared
// connection of X11Connection; nothing without X. GUI thread only.
namespace X11TopLevels {

struct Hit {
    unsigned long window = 0;
    // The owning process; none when the window does not say and the server
    // cannot tell.
    std::optional<qint64> pid;
};

// The topmost viewable top-level window holding `point` (global coordinates),
// passing over this program's windows that let the pointer through (panels
// shown with Qt::WindowTransparentForInput).
std::optional<Hit> windowAt(QPoint point);
// The process of `window`: its _NET_WM_PID, that of its client window below a
// window manager's frame, else the X server's record of the client.
std::optional<qint64> processOf(unsigned long window);
// The pointer's position on the root window.
std::optional<QPoint> pointerPosition();

} // namespace X11TopLevels
