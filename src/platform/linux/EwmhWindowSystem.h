#pragma once

#include "platform/WindowSystem.h"

#include <QAbstractNativeEventFilter>

// The window system on X11: focus and stacking through Qt, virtual desktops
// through the EWMH properties _NET_CURRENT_DESKTOP (root) and _NET_WM_DESKTOP
// (our window). Without a display or a window manager that keeps desktops,
// every window is on the current desktop.
class EwmhWindowSystem : public WindowSystem, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    EwmhWindowSystem();
    ~EwmhWindowSystem() override;

    void bringToFront(QWidget& window) override;
    bool hasFocus(const QWidget& window) override;
    bool applicationIsActive() override;
    bool isOnCurrentDesktop(const QWidget& window) override;
    void moveToCurrentDesktop(QWidget& window) override;
    void keepOnEveryDesktop(QWidget& window) override;
    int stackingPosition(const QWidget& window) override;
    // A compositing manager owns the _NET_WM_CM_S<screen> selection.
    bool hasCompositor() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    unsigned long m_currentDesktopAtom = 0;
};
