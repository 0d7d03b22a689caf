#include "app/DockIcon.h"

#include "app/Appearance.h"
#include "support/Bundle.h"
#include "support/Defaults.h"
#include "support/LineLog.h"
#include "support/Paths.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace DockIcon {

namespace {

struct State {
    QList<QMetaObject::Connection> tokens;
    QPointer<QObject> appearanceWatch;
    QHash<bool, QIcon> cache;
    std::optional<bool> lastApplied;
    Policy policy = Policy::Regular;
};

State& state() {
    static State s;
    return s;
}

void note(const QString& line) {
    LineLog(logPath()).append(LineLog::timestamp() + QStringLiteral("  ") + line);
}

QString fileName(bool dark) { return dark ? QStringLiteral("dock-dark.png") : QStringLiteral("dock-light.png"); }

// Re-applies the art when the program's palette changes (its look).
class AppearanceWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance())
            QMetaObject::invokeMethod(this, [] { apply(QStringLiteral("appearance-changed")); }, Qt::QueuedConnection);
        return false;
    }
};

} // namespace

QString logPath() { return Paths::logs() + QStringLiteral("/Quorvane-dock.log"); }

Policy policy() { return state().policy; }

bool isDark() { return Appearance::isDark(); }

bool hasRealWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() == Qt::Window)
            return true;
    return false;
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
    QGuiApplication::setWindowIcon(image);
    if (s.lastApplied == dark)
        return;
    note(reason + QStringLiteral(" -> ") + (dark ? QStringLiteral("dark") : QStringLiteral("light")) +
         QStringLiteral(" policy=") + QString::number(int(s.policy)) + QStringLiteral(" appearance=") +
         (dark ? QStringLiteral("dark") : QStringLiteral("light")));
    s.lastApplied = dark;
}

void refreshPolicy(const Defaults& defaults) {
    State& s = state();
    const Policy desired =
        defaults.boolOr(QStringLiteral("showInDock"), false) || hasRealWindow() ? Policy::Regular : Policy::Accessory;
    if (s.policy != desired) {
        s.policy = desired;
        note(QStringLiteral("policy -> ") +
             (desired == Policy::Regular ? QStringLiteral("regular") : QStringLiteral("accessory")));
    }
    s.lastApplied.reset();
    apply(QStringLiteral("policy"));
}

void refreshPolicy() { refreshPolicy(Defaults::shared()); }

void stop() {
    State& s = state();
    delete s.appearanceWatch.data();
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
    auto* watch = new AppearanceWatch(app);
    app->installEventFilter(watch);
    s.appearanceWatch = watch;
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
