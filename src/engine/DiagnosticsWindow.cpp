#include "engine/DiagnosticsWindow.h"

#include "engine/DiagnosticsView.h"
#include "engine/EngineBootstrap.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace DiagnosticsWindow {

std::unique_ptr<DiagnosticsView> make(EngineBootstrap& engine) {
    auto window = std::make_unique<DiagnosticsView>(engine);
    window->setWindowTitle(QStringLiteral("Microphone Test"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    return window;
}

void show(DiagnosticsView& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace DiagnosticsWindow
