#include "looks/DockIcon.h"

#include "looks/Appearance.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "support/Bundle.h"
#include "support/Defaults.h"
#include "support/LineLog.h"
#include "support/Paths.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <QWindow>
#include <QtConcurrent>

#include <algorithm>
#include <optional>

namespace DockIcon {

namespace {

struct State {
    QList<QMetaObject::Connection> tokens;
    QPointer<QObject> applicationWatch;
    QHash<bool, QIcon> cache;
    // The looks whose art is being decoded.
    QSet<bool> loading;
    std::optional<bool> lastApplied;
    Policy policy = Policy::Regular;
};

// Never destroyed: its icons and connections would otherwise go after the
// application they belong to.
State& state() {
    static auto* s = new State;
    return *s;
}

void note(const QString& line) { LineLog(logPath()).append(LineLog::timestamp() + QStringLiteral("  ") + line); }

QString fileName(bool dark) { return dark ? QStringLiteral("dock-dark.png") : QStringLiteral("dock-light.png"); }

// A top-level window the window manager handles, so that it can have a taskbar entry.
bool isManaged(const QWidget& widget) {
    if (!widget.isWindow() || widget.windowFlags().testFlag(Qt::BypassWindowManagerHint))
        return false;
    switch (widget.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

// Puts one window in the taskbar or takes it out, by the current policy.
void placeInTaskbar(QWidget& widget) {
    Workspace* workspace = Platform::current().workspace;
    QWindow* window = widget.windowHandle();
    if (!workspace || !window || !isManaged(widget))
        return;
    workspace->setShownInTaskbar(*window, state().policy == Policy::Regular && canBecomeMain(widget));
}

// Re-applies the art when the program's palette changes (its look), and places
// a window in the taskbar just before it shows.
class ApplicationWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                this, [] { apply(QStringLiteral("appearance-changed")); }, Qt::QueuedConnection);
        } else if (event->type() == QEvent::Show && watched->isWidgetType()) {
            if (auto* widget = static_cast<QWidget*>(watched); widget->isWindow())
                placeInTaskbar(*widget);
        }
        return false;
    }
};

// The art at the sizes the window managers ask for: each is sent whole to
// every window as it is made, so the 256-pixel original is not.
QList<QImage> decodedArt(bool dark) {
    const QString path = Bundle::resource(fileName(dark));
    const QImage original = path.isEmpty() ? QImage() : QImage(path);
    if (original.isNull())
        return {};
    QList<QImage> sizes;
    for (int side : {32, 64, 128})
        sizes << original.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return sizes;
}

// Caches the art made of `sizes`; a failed load is not remembered.
void keepArt(bool dark, const QList<QImage>& sizes) {
    if (sizes.isEmpty())
        return;
    QIcon icon;
    for (const QImage& size : sizes)
        icon.addPixmap(QPixmap::fromImage(size));
    state().cache.insert(dark, icon);
}

// Decodes the art for the current look off the GUI thread, then applies it.
void applyOnceDecoded(const QString& reason) {
    State& s = state();
    const bool dark = isDark();
    if (s.cache.contains(dark) || s.loading.contains(dark)) {
        apply(reason);
        return;
    }
    s.loading.insert(dark);
    QtConcurrent::run([dark] {
        return decodedArt(dark);
    }).then(QCoreApplication::instance(), [dark, reason](const QList<QImage>& sizes) {
        state().loading.remove(dark);
        if (!state().cache.contains(dark))
            keepArt(dark, sizes);
        apply(reason);
    });
}

} // namespace

QString logPath() { return Paths::logs() + QStringLiteral("/Quorvane-dock.log"); }

Policy policy() { return state().policy; }

bool isDark() { return Appearance::isDark(); }

bool canBecomeMain(const QWidget& window) { return isManaged(window) && window.windowType() == Qt::Window; }

bool hasRealWindow() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
                       [](const QWidget* window) { return window->isVisible() && canBecomeMain(*window); });
}

QIcon art(bool dark) {
    State& s = state();
    if (!s.cache.contains(dark))
        keepArt(dark, decodedArt(dark));
    return s.cache.value(dark);
}

void apply(const QString& reason) {
    State& s = state();
    const bool dark = isDark();
    // The art on its way applies itself once it is in.
    if (!s.cache.contains(dark) && s.loading.contains(dark))
        return;
    const QIcon image = art(dark);
    if (image.isNull()) {
        note(reason + QStringLiteral(" FAILED to load ") + fileName(dark));
        return;
    }
    // Every window is sent the art whole when it changes, and a new window
    // takes it as it is made: the same art again would only be sent again.
    if (s.lastApplied == dark)
        return;
    QGuiApplication::setWindowIcon(image);
    note(reason + QStringLiteral(" -> ") + (dark ? QStringLiteral("dark") : QStringLiteral("light"))
         + QStringLiteral(" policy=") + QString::number(int(s.policy)) + QStringLiteral(" appearance=")
         + (dark ? QStringLiteral("dark") : QStringLiteral("light")));
    s.lastApplied = dark;
}

void setPolicy(Policy desired) {
    State& s = state();
    if (s.policy != desired) {
        s.policy = desired;
        note(QStringLiteral("policy -> ")
             + (desired == Policy::Regular ? QStringLiteral("regular") : QStringLiteral("accessory")));
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        placeInTaskbar(*window);
}

void refreshPolicy(const Defaults& defaults) {
    setPolicy(defaults.boolOr(QStringLiteral("showInDock"), false) || hasRealWindow() ? Policy::Regular
                                                                                      : Policy::Accessory);
    state().lastApplied.reset();
    apply(QStringLiteral("policy"));
}

void refreshPolicy() { refreshPolicy(Defaults::shared()); }

void stop() {
    State& s = state();
    delete s.applicationWatch.data();
    for (const QMetaObject::Connection& token : std::as_const(s.tokens))
        QObject::disconnect(token);
    s.tokens.clear();
}

void start() {
    stop();
    State& s = state();
    note(QStringLiteral("--- start policy=") + QString::number(int(s.policy)));
    applyOnceDecoded(QStringLiteral("launch"));
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    auto* watch = new ApplicationWatch(app);
    app->installEventFilter(watch);
    s.applicationWatch = watch;
    s.tokens << QObject::connect(app, &QGuiApplication::applicationStateChanged, app, [](Qt::ApplicationState now) {
        if (now == Qt::ApplicationActive)
            apply(QStringLiteral("NSApplicationDidBecomeActiveNotification"));
    });
    s.tokens << QObject::connect(app, &QGuiApplication::focusWindowChanged, app, [](QWindow* window) {
        if (window)
            apply(QStringLiteral("NSWindowDidBecomeKeyNotification"));
    });
}

int observerCount() { return int(state().tokens.size()); }

} // namespace DockIcon
