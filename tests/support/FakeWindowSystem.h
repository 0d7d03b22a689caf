#pragma once

#include "platform/WindowSystem.h"

#include <QWidget>

// A window manager the test decides for: whether a raised window gets the
// focus, whether it lands on the current desktop, and when the user switches
// desktops. Counts what the program asked of it.
class FakeWindowSystem : public WindowSystem {
public:
    // Whether a window brought to the front gets the focus (and the program
    // becomes active) at once.
    bool grantsFocus = true;
    // Whether a window asked onto the current desktop lands there.
    bool movesWindows = true;
    // Whether the window is on the current desktop before any move.
    bool onCurrentDesktop = true;
    // Whether a compositing manager blends translucent windows.
    bool compositor = true;

    int fronts = 0;
    int moves = 0;

    void bringToFront(QWidget& window) override {
        ++fronts;
        if (!window.isVisible())
            window.show();
        m_focused = grantsFocus ? &window : nullptr;
    }
    bool hasFocus(const QWidget& window) override { return m_focused == &window && window.isVisible(); }
    bool applicationIsActive() override { return m_focused != nullptr; }
    bool isOnCurrentDesktop(const QWidget&) override { return onCurrentDesktop; }
    void moveToCurrentDesktop(QWidget&) override {
        ++moves;
        if (movesWindows)
            onCurrentDesktop = true;
    }
    bool hasCompositor() override { return compositor; }
    int stackingPosition(const QWidget& window) override { return window.isVisible() ? 0 : -1; }

    void switchDesktop() { emit currentDesktopChanged(); }

private:
    const QWidget* m_focused = nullptr;
};
