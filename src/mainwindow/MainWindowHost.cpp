#include "mainwindow/MainWindowHost.h"

#include "looks/DockIcon.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowView.h"
#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"
#include "translator/TranslationGate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {

// The level a window that stays above others reports, as the desktop's
// floating windows do; 0 for a normal window.
constexpr int kFloatingLevel = 3;

QString yesNo(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString policyName() {
    switch (DockIcon::policy()) {
    case DockIcon::Policy::Regular:
        return QStringLiteral("regular");
    case DockIcon::Policy::Accessory:
        return QStringLiteral("accessory");
    default:
        return QStringLiteral("prohibited");
    }
}

void centre(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

} // namespace

MainWindowHost::ViewFactory MainWindowHost::standardView(PageServices program, TranslationGate& gate) {
    return [program, &gate](AppState& app) {
        auto* view = new MainWindowView(app, MainWindowView::standardPages(program), gate.isOpen());
        // A language pair installed or removed while the window lives.
        QObject::connect(&gate, &TranslationGate::openChanged, view, &MainWindowView::setShowsTranslation);
        return view;
    };
}

QString MainWindowHost::standardTracePath() {
    return QDir(Paths::applicationSupport()).filePath(QStringLiteral("Quorvane/main-window.log"));
}

MainWindowHost::MainWindowHost(AppState& app, Defaults& defaults, ViewFactory makeView, QString tracePath,
                               DelayedCall later, QObject* parent)
    : QObject(parent), m_app(app), m_defaults(defaults), m_makeView(std::move(makeView)),
      m_tracePath(std::move(tracePath)), m_later(later ? std::move(later) : DelayedCalls::timers()) {}

MainWindowHost::~MainWindowHost() = default;

QWidget* MainWindowHost::window() const { return m_window.get(); }

void MainWindowHost::show(std::optional<MainWindowPane> pane) {
    if (pane)
        m_app.setRequestedPane(pane);
    DockIcon::setPolicy(DockIcon::Policy::Regular);
    if (!m_window)
        createWindow();
    m_behaviour = DesktopBehaviour::FollowsCurrentDesktop;
    raise(0);
}

void MainWindowHost::createWindow() {
    QWidget* view = m_makeView(m_app);
    view->setWindowTitle(QStringLiteral("Quorvane") + QChar(0x2122));
    m_window = std::make_unique<MainWindow>(view, kAutosaveName, m_defaults);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    if (!m_window->restoredFrame()) {
        m_window->resize(kSize);
        centre(*m_window);
    }
    watchDesktops();
}

void MainWindowHost::raise(int attempt) {
    WindowSystem* windows = Platform::current().windowSystem;
    if (!windows) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    if (m_behaviour == DesktopBehaviour::FollowsCurrentDesktop && m_window->isVisible())
        windows->moveToCurrentDesktop(*m_window);
    windows->bringToFront(*m_window);
    if (windows->hasFocus(*m_window) && windows->applicationIsActive()) {
        trace(QStringLiteral("settled after ") + QString::number(attempt));
        settleWhenLanded(0);
        return;
    }
    if (attempt > kLastRaiseTry - 1) {
        trace(QStringLiteral("gave up after ") + QString::number(attempt));
        return;
    }
    m_later(kRaiseInterval, this, [this, attempt] { raise(attempt + 1); });
}

void MainWindowHost::settleWhenLanded(int attempt) {
    WindowSystem* windows = Platform::current().windowSystem;
    if (!windows || windows->isOnCurrentDesktop(*m_window)) {
        m_behaviour = DesktopBehaviour::Resident;
        trace(QStringLiteral("resident after ") + QString::number(attempt));
        return;
    }
    if (attempt > kLastSettleCheck - 1) {
        trace(QStringLiteral("never landed after ") + QString::number(attempt));
        return;
    }
    windows->moveToCurrentDesktop(*m_window);
    m_later(kSettleInterval, this, [this, attempt] { settleWhenLanded(attempt + 1); });
}

void MainWindowHost::watchDesktops() {
    WindowSystem* windows = Platform::current().windowSystem;
    if (m_watchingDesktops || !windows)
        return;
    m_watchingDesktops = true;
    connect(windows, &WindowSystem::currentDesktopChanged, this, [this] {
        trace(QStringLiteral("space changed"));
        m_later(kDesktopEcho, this, [this] { trace(QStringLiteral("space changed +0.4s")); });
    });
}

void MainWindowHost::trace(const QString& message) {
    if (!m_defaults.boolOr(kTraceKey, false))
        return;
    const Platform& platform = Platform::current();
    WindowSystem* windows = platform.windowSystem;
    const MainWindow* window = m_window.get();
    const bool active =
        windows ? windows->applicationIsActive() : QGuiApplication::applicationState() == Qt::ApplicationActive;
    const bool key = window && (windows ? windows->hasFocus(*window) : window->isActiveWindow());
    const bool onDesktop = window && (!windows || windows->isOnCurrentDesktop(*window));
    const int order = window && windows ? windows->stackingPosition(*window) : -1;
    const int level = !window ? -1 : window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? kFloatingLevel : 0;
    QString frontmost = QStringLiteral("?");
    if (platform.workspace)
        if (const std::optional<Workspace::Application> app = platform.workspace->frontmostApplication();
            app && !app->name.isEmpty())
            frontmost = app->name;

    const QString line = QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + QStringLiteral("  ") + message
                         + QStringLiteral(" policy=") + policyName() + QStringLiteral(" appActive=") + yesNo(active)
                         + QStringLiteral(" key=") + yesNo(key) + QStringLiteral(" visible=")
                         + yesNo(window && window->isVisible()) + QStringLiteral(" onActiveSpace=") + yesNo(onDesktop)
                         + QStringLiteral(" order=") + (order < 0 ? QStringLiteral("-") : QString::number(order))
                         + QStringLiteral(" level=") + QString::number(level) + QStringLiteral(" frontmost=")
                         + frontmost + QLatin1Char('\n');
    QFile file(m_tracePath);
    if (!PrivateFiles::open(file, QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.toUtf8());
}
