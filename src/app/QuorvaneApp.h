#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

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
// disabled. The idle icon is drawn in the colour of the desktop's scheme.
class QuorvaneApp : public QObject {
    Q_OBJECT
public:
    QuorvaneApp(const AppActions& actions, AppState& state, QObject* parent = nullptr);
    ~QuorvaneApp() override;

    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* tray() const { return m_tray.get(); }
    // Shows the tray icon.
    void show();

    // The menu's shown texts, one per row; "-" for a divider.
    QStringList rowTexts() const;

signals:
    void quitRequested();

private:
    void refresh();
    void showTranslationRows();
    QAction* addRow(const QString& text, const std::function<void()>& action, bool asTask,
                    const QKeySequence& shortcut = {});

    const AppActions& m_actions;
    AppState& m_state;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QAction* m_dictation = nullptr;
    QAction* m_engine = nullptr;
    QList<QAction*> m_translationRows;
};
