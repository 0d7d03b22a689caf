#include "looks/TranslucentWindow.h"

#include "platform/Platform.h"
#include "platform/WindowSystem.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

TranslucentWindow::TranslucentWindow(QWidget& window, Outline outline, QColor ground, Blending blending)
    : QObject(&window), m_window(window), m_outline(std::move(outline)), m_ground(ground),
      m_blending(std::move(blending)) {
    m_ground.setAlpha(255);
    m_window.setAttribute(Qt::WA_TranslucentBackground);
    m_window.installEventFilter(this);
}

bool TranslucentWindow::desktopBlends() {
    WindowSystem* windows = Platform::current().windowSystem;
    return windows && windows->hasCompositor();
}

void TranslucentWindow::refit() {
    m_cut = !(m_blending && m_blending());
    if (!m_cut) {
        m_region = QRegion();
        m_window.clearMask();
        return;
    }
    // Whole pixels only: a mask has no partly covered pixel, so every pixel
    // it keeps gets the solid ground, the antialiased edge included.
    m_region = QRegion(m_outline(m_window.size()).toFillPolygon().toPolygon());
    m_window.setMask(m_region);
    m_window.update();
}

void TranslucentWindow::setGround(const QColor& ground) {
    m_ground = ground;
    m_ground.setAlpha(255);
    m_window.update();
}

void TranslucentWindow::layGround() {
    if (!m_cut)
        return;
    QPainter painter(&m_window);
    painter.setClipRegion(m_region);
    painter.fillRect(m_window.rect(), m_ground);
}

bool TranslucentWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
            refit();
            break;
        case QEvent::Paint:
            // Before the window's own painting and its children's.
            layGround();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
