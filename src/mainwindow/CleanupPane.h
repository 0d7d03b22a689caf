#pragma once

#include "looks/SegmentedChoice.h"
#include "looks/SettingsForm.h"

#include <QFuture>

#include <functional>
#include <optional>

class Defaults;
class HistoryStore;
class LiveSettingsControl;
class QAbstractButton;
class QCheckBox;
class QLabel;

// The Cleanup page: polish, numbers, lists, the closing period, the
// highlight chip, the phone link, how long history is kept, the cleanup
// engine and the tiers of cleanup with the local model's state. Every control
// writes its key at once; the phone switch then starts or stops the link and
// the history choice prunes the history at once. GUI thread only.
class CleanupPane : public SettingsForm {
    Q_OBJECT
public:
    static inline const QString kListsFromCounting = QStringLiteral("listsFromCounting");
    static inline const QString kHistoryKeepDays = QStringLiteral("historyKeepDays");
    static inline const QString kPhoneLinkEnabled = QStringLiteral("phoneLinkEnabled");
    static inline const QString kUseSystemModel = QStringLiteral("useAppleIntelligence");
    // The history choices, in order: forever, then 30, 15 and 7 days.
    static inline const QList<int> kKeepDays = {0, 30, 15, 7};

    struct Services {
        Defaults* defaults = nullptr;
        HistoryStore* history = nullptr;
        // The phone link; an empty entry shows the switch disabled.
        std::function<void()> startPhoneLink;
        std::function<void()> stopPhoneLink;
        std::function<std::optional<QString>()> phoneLinkError;
        // Whether the local language-model server answers (a probe).
        std::function<QFuture<bool>()> modelIsUp;
        // Whether the desktop has an on-device system model.
        bool systemModel = false;

        // The program's settings and actions, and `history`, which must outlive the page.
        static Services standard(HistoryStore& history);
    };

    explicit CleanupPane(Services services, QWidget* parent = nullptr);

    LiveSettingsControl* autoCleanControl() const { return m_controls.at(0); }
    LiveSettingsControl* numbersControl() const { return m_controls.at(1); }
    LiveSettingsControl* periodControl() const { return m_controls.at(2); }
    QCheckBox* phoneToggle() const { return m_phone; }
    QLabel* phoneError() const { return m_phoneError; }
    // The history choice buttons, in the order of kKeepDays.
    QList<QAbstractButton*> keepButtons() const { return m_keep->buttons(); }
    QCheckBox* systemModelToggle() const { return m_systemModel; }
    QLabel* modelState() const { return m_modelState; }
    // The last history write failed (shown under the choice).
    QLabel* historyError() const { return m_historyError; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void keepFor(int days);
    void phoneSwitched(bool on);
    void showPhoneError();
    void showModelState(bool up);

    Services m_services;
    QList<LiveSettingsControl*> m_controls;
    QCheckBox* m_lists = nullptr;
    QCheckBox* m_phone = nullptr;
    QLabel* m_phoneError = nullptr;
    SegmentedChoice* m_keep = nullptr;
    QLabel* m_historyError = nullptr;
    QCheckBox* m_systemModel = nullptr;
    QLabel* m_modelState = nullptr;
    // Counts appearances, so a late probe of an earlier one is dropped.
    int m_appearance = 0;
};
