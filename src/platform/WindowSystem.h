#pragma once

#include <QObject>

class QWidget;

// The desktop's window manager as far as our own top-level windows go: focus,
// stacking and virtual desktops. Without a window manager (offscreen, a bare X
// server) every window counts as on the current desktop. GUI thread only.
class WindowSystem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~WindowSystem() override = default;

    // Shows `window` if hidden, raises it above the other windows and asks for
    // the keyboard focus for it. The focus may arrive later or not at all.
    virtual void bringToFront(QWidget& window) = 0;
    // Whether `window` has the keyboard focus now.
    virtual bool hasFocus(const QWidget& window) = 0;
    // Whether one of the program's windows has the keyboard focus.
    virtual bool applicationIsActive() = 0;
    // Whether `window` shows on the desktop the user is on; true for a window
    // on every desktop, and whenever the desktop has no virtual desktops.
    virtual bool isOnCurrentDesktop(const QWidget& window) = 0;
    // Asks the window manager to put `window` on the current desktop; does
    // nothing without virtual desktops.
    virtual void moveToCurrentDesktop(QWidget& window) = 0;
    // Asks the window manager to show `window` on every desktop (a sticky
    // window); does nothing without virtual desktops.
    virtual void keepOnEveryDesktop(QWidget& window) { (void)window; }
    // The zero-based place of `window` among the program's visible top-level
    // windows, front first; -1 when it is not among them.
    virtual int stackingPosition(const QWidget& window) = 0;
    // Whether a compositing manager runs, so that a translucent window's
    // alpha channel reaches the screen.
    virtual bool hasCompositor() = 0;

signals:
    // The user switched to another virtual desktop.
    void currentDesktopChanged();
};
