#pragma once

#include <QColor>
#include <QObject>
#include <QPainterPath>
#include <QRegion>
#include <QSize>

#include <functional>

class QWidget;

// Keeps a top-level window that draws a translucent look on a clear
// background right whether or not the desktop blends windows. With a
// compositing manager the clear pixels show what lies beneath. Without one
// they would show black, so the window is cut to the outline of its look and
// a solid ground is laid inside the outline before anything of the window is
// painted; the look's translucent parts then sit on that ground. The choice is
// made again at every show and resize, and on `refit()`, as a compositor may
// come or go while the program runs. Watches the window as its child. GUI
// thread only.
class TranslucentWindow : public QObject {
    Q_OBJECT
public:
    // The look's outline in the window's coordinates, for a window of `size`.
    using Outline = std::function<QPainterPath(const QSize& size)>;
    // Whether the desktop blends translucent windows with what lies beneath.
    using Blending = std::function<bool()>;

    // Makes `window` translucent and watches it. `ground` is the solid colour
    // under the look where the window is cut (its alpha is ignored).
    TranslucentWindow(QWidget& window, Outline outline, QColor ground, Blending blending = desktopBlends);

    // The platform's answer: a compositing manager runs on the display; false
    // without a window system.
    static bool desktopBlends();

    // Decides again now, and cuts or restores the window.
    void refit();
    void setGround(const QColor& ground);
    // Whether the window is cut to its outline now.
    bool isCut() const { return m_cut; }
    // The region the window is cut to; empty while it is whole.
    QRegion cutRegion() const { return m_cut ? m_region : QRegion(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layGround();

    QWidget& m_window;
    Outline m_outline;
    QColor m_ground;
    Blending m_blending;
    bool m_cut = false;
    QRegion m_region;
};
