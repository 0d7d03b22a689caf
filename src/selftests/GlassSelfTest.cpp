#include "selftests/SelfTests.h"

#include "dictation/GlassVariantPickerView.h"
#include "support/ProgramLifetime.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace SelfTests {
namespace {

constexpr QSize kPanelSize{560, 460};

} // namespace

void showGlassVariants() {
    // Above every window on every desktop, like the bubble, and no obstacle:
    // clicks and keys go to whatever is below it.
    auto* panel = ProgramLifetime::keep(new QWidget(
        nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                     | Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput));
    panel->setWindowTitle(GlassVariantPickerView::title());
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    panel->setFocusPolicy(Qt::NoFocus);
    panel->setFixedSize(kPanelSize);
    auto* grid = new GlassVariantPickerView(panel);
    grid->setGeometry(panel->rect());
    if (const QScreen* main = QGuiApplication::primaryScreen()) {
        const QRect visible = main->availableGeometry();
        panel->move(visible.x() + (visible.width() - kPanelSize.width()) / 2,
                    visible.y() + (visible.height() - kPanelSize.height()) / 2);
    }
    panel->show();
    panel->raise();
}

} // namespace SelfTests
