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
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>

namespace DockIcon {

namespace {

struct State {
    QList<QMetaObject::Connection> tokens;
    QPointer<QObject> applicationWatch;
    QHash<bool, QIcon> cache;
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
    if (s.cache.contains(dark))
        return s.cache.value(dark);
    const QString path = Bundle::resource(fileName(dark));
    if (path.isEmpty())
        return {};
    const QIcon icon(path);
    if (icon.isNull() || icon.availableSizes().isEmpty())
        return {};
    s.cache.insert(dark, icon);
    return icon;
}

void apply(const QString& reason) {
    State& s = state();
    const bool dark = isDark();
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
    apply(QStringLiteral("launch"));
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
