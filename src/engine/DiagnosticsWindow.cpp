#include "engine/DiagnosticsWindow.h"

#include "engine/DiagnosticsView.h"
#include "engine/EngineBootstrap.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace DiagnosticsWindow {

DiagnosticsView& view() {
    // Kept for the life of the process: closing hides it.
    static DiagnosticsView* instance = [] {
        auto* window = new DiagnosticsView(EngineBootstrap::shared());
        window->setWindowTitle(QStringLiteral("Microphone Test"));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window->move(screen->availableGeometry().center() - window->rect().center());
        return window;
    }();
    return *instance;
}

void show() {
    DiagnosticsView& window = view();
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace DiagnosticsWindow
