#pragma once

#include "looks/SettingsForm.h"
#include "support/DelayedCall.h"

#include <QDateTime>

#include <chrono>
#include <functional>
#include <utility>

class Defaults;
class LiveSettingsControl;
class MilestoneBadge;
class QCheckBox;
class GreetingLine;
class QLabel;
class QLineEdit;
class QPushButton;

// The General page: theme and taskbar presence, the window at launch, the
// user's first name with a preview of the Dashboard greeting, update checks,
// the milestone badge, the menu's tools (for desktops that show no tray
// menu), the about block and removal. A change of "appearance"
// re-applies the look and the icon art at once; a change of "showInDock" the
// taskbar policy. The name is stored only by `commitName()` (Return, Save,
// leaving the page). GUI thread only.
class GeneralPane : public SettingsForm {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSavedShown{2200};
    static inline const QString kUserName = QStringLiteral("userName");
    static inline const QString kShowInDock = QStringLiteral("showInDock");
    static inline const QString kOpenWindowAtLaunch = QStringLiteral("openWindowAtLaunch");
    static inline const QString kAutoCheckUpdates = QStringLiteral("autoCheckUpdates");
    static inline const QString kBadgeEnabled = QStringLiteral("milestoneBadgeEnabled");
    static inline const QString kSoundEnabled = QStringLiteral("milestoneSoundEnabled");
    // The milestone "Show Me One" previews.
    static constexpr int kPreviewHours = 3;

    struct Services {
        Defaults* defaults = nullptr;
        std::function<void()> applyAppearance;
        std::function<void(const QString& reason)> applyDockArt;
        std::function<void()> refreshDockPolicy;
        std::function<QString()> accountName;
        std::function<QDateTime()> now;
        std::function<void(const QString&)> announce;
        DelayedCall later;
        // Entries of features this build may lack: an empty one shows its button disabled.
        std::function<void()> openZoomSettings;
        // The badge the dictation shows, here previewed; none disables the preview.
        MilestoneBadge* badge = nullptr;
        std::function<void()> checkForUpdates;
        std::function<void()> uninstall;
        // What else only the tray menu offers, for desktops without a tray.
        std::function<void()> openMicrophoneTest;
        std::function<void()> quit;

        // The shared settings and actions, and `badge` (which must outlive the page).
        static Services standard(MilestoneBadge& badge);
    };

    explicit GeneralPane(Services services, QWidget* parent = nullptr);
    ~GeneralPane() override;

    // The Dashboard's greeting line for `typed` at the current hour.
    QString greetingFor(const QString& typed) const;
    // Trims spaces and tabs from the draft; stores, marks and announces a changed name.
    void commitName();

    LiveSettingsControl* appearanceControl() const { return m_appearance; }
    QLineEdit* nameField() const { return m_name; }
    QPushButton* saveButton() const { return m_save; }
    GreetingLine* preview() const { return m_preview; }
    QWidget* savedMark() const { return m_saved; }
    QCheckBox* dockToggle() const { return m_dock; }
    QCheckBox* badgeToggle() const { return m_badge; }
    QCheckBox* toneToggle() const { return m_tone; }
    QPushButton* showMeOne() const { return m_showOne; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QCheckBox* toggle(SettingsSection* section, const QString& text, const QString& key, bool fallback);
    void draftChanged();
    void badgeChanged();
    // The hour and the name the greeting for `typed` is made of.
    std::pair<int, QString> greetingParts(const QString& typed) const;

    Services m_services;
    LiveSettingsControl* m_appearance = nullptr;
    QCheckBox* m_dock = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_save = nullptr;
    GreetingLine* m_preview = nullptr;
    QWidget* m_saved = nullptr;
    QCheckBox* m_badge = nullptr;
    QCheckBox* m_tone = nullptr;
    QPushButton* m_showOne = nullptr;
    // Each save's reset of the mark checks it is still the latest save.
    int m_saves = 0;
};
