#pragma once

#include "looks/Alert.h"

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class AppState;
class QAction;
class QMenu;
class QSystemTrayIcon;
struct AppActions;

// The program's one scene: the tray icon, which shows whether a dictation is
// recording, and its menu, the main command surface, which either mouse button
// on the icon opens. Rows whose subsystem the build does not have show
// disabled. The idle icon is drawn in the colour of the desktop's scheme. On a
// desktop with no tray host the menu has nowhere to be: the user is told so
// once and the main window opens at its General page, which holds what only
// the menu would offer (Quit, Microphone Test, Check for Updates).
class QuorvaneApp : public QObject {
    Q_OBJECT
public:
    // How long a panel started with the session may take to host tray icons.
    static constexpr std::chrono::seconds kTrayHostWait{5};

    // How the scene learns that no tray host is there, and says so.
    struct TrayHost {
        std::function<bool()> present;
        std::chrono::milliseconds wait{kTrayHostWait};
        AlertPresenter tell;

        static TrayHost standard();
    };

    QuorvaneApp(const AppActions& actions, AppState& state, QObject* parent = nullptr);
    QuorvaneApp(const AppActions& actions, AppState& state, TrayHost host, QObject* parent = nullptr);
    ~QuorvaneApp() override;

    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* tray() const { return m_tray.get(); }
    // Shows the tray icon; kTrayHostWait later, with no tray host yet, tells
    // the user and opens the main window instead (once).
    void show();

    static QString noTrayHostTitle();
    static QString noTrayHostText();

    // The menu's shown texts, one per row; "-" for a divider.
    QStringList rowTexts() const;

signals:
    void quitRequested();

private:
    void refresh();
    void showTranslationRows();
    void checkTrayHost();
    QAction* addRow(const QString& text, const std::function<void()>& action, bool asTask,
                    const QKeySequence& shortcut = {});

    const AppActions& m_actions;
    AppState& m_state;
    TrayHost m_host;
    bool m_toldNoTrayHost = false;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QAction* m_dictation = nullptr;
    QAction* m_engine = nullptr;
    QList<QAction*> m_translationRows;
};
