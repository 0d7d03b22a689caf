#pragma once

#include <QObject>
#include <QString>

class Defaults;
class ModeStore;
class QMenu;

// The tray menu's mode submenu: "Automatic", then every mode; choosing one
// pins it for every app ("pinnedMode"), "Automatic" unpins. The submenu's
// title follows the store and the settings; its items are rebuilt each time
// it is about to show. GUI thread only.
class ModeMenu : public QObject {
    Q_OBJECT
public:
    static inline const QString kMarked = QStringLiteral("\u2713 ");
    static inline const QString kUnmarked = QStringLiteral("   ");

    // Adds the submenu to `menu`; `store` and `settings` must outlive it.
    ModeMenu(ModeStore& store, Defaults& settings, QMenu* menu);

    // "Mode: off", "Mode: <name> (pinned)" or "Mode: Automatic".
    static QString title(const ModeStore& store, const Defaults& settings);

    QMenu* submenu() const { return m_submenu; }
    void rebuild();

private:
    void pin(const QString& id);
    void retitle();

    ModeStore& m_store;
    Defaults& m_settings;
    QMenu* m_submenu;
};
