#pragma once

#include "mainwindow/PageServices.h"
#include "state/MainWindowPane.h"
#include "support/DelayedCall.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class Defaults;
class MainWindow;
class QWidget;
class TranslationGate;

// Owns the program's one main window. `show` makes it the first time, selects
// a page when the caller names one, and brings it to the front on the current
// desktop: it retries until the window has the focus and the program is
// active, then checks until the window is on the current desktop before it
// stops the window from following desktop switches. With "mainWindowTrace" on,
// every step goes to a trace log with the window's state. GUI thread only.
class MainWindowHost : public QObject {
    Q_OBJECT
public:
    // Whether the window moves to the desktop the user is on when it is raised.
    enum class DesktopBehaviour { FollowsCurrentDesktop, Resident };

    static constexpr QSize kSize{1180, 780};
    static constexpr int kLastRaiseTry = 8;
    static constexpr int kLastSettleCheck = 12;
    static constexpr std::chrono::milliseconds kRaiseInterval{120};
    static constexpr std::chrono::milliseconds kSettleInterval{100};
    static constexpr std::chrono::milliseconds kDesktopEcho{400};
    static inline const QString kAutosaveName = QStringLiteral("QuorvaneMain2");
    static inline const QString kTraceKey = QStringLiteral("mainWindowTrace");

    // Builds the window's content from the shared state.
    using ViewFactory = std::function<QWidget*(AppState&)>;

    // "Quorvane/main-window.log" in the data folder.
    static QString standardTracePath();
    // The program's view: its pages on `program`'s services, the Translation
    // row listed while `gate` is open. Both must outlive the host.
    static ViewFactory standardView(PageServices program, TranslationGate& gate);

    // `app` and `defaults` must outlive the host.
    MainWindowHost(AppState& app, Defaults& defaults, ViewFactory makeView, QString tracePath, DelayedCall later,
                   QObject* parent = nullptr);
    ~MainWindowHost() override;

    // Opens the main window, on `pane` when one is given.
    void show(std::optional<MainWindowPane> pane);

    // None before the first `show`.
    QWidget* window() const;
    DesktopBehaviour desktopBehaviour() const { return m_behaviour; }
    QString tracePath() const { return m_tracePath; }

private:
    void createWindow();
    void raise(int attempt);
    void settleWhenLanded(int attempt);
    void watchDesktops();
    void trace(const QString& message);

    AppState& m_app;
    Defaults& m_defaults;
    ViewFactory m_makeView;
    QString m_tracePath;
    DelayedCall m_later;
    std::unique_ptr<MainWindow> m_window;
    DesktopBehaviour m_behaviour = DesktopBehaviour::FollowsCurrentDesktop;
    bool m_watchingDesktops = false;
};
