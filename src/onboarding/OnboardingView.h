#pragma once

#include "onboarding/OnboardingServices.h"
#include "onboarding/OnboardingStep.h"

#include <QPointer>
#include <QWidget>

class OnbDots;
class PermissionsStep;
class QPushButton;
class QVBoxLayout;

// The onboarding window's content: the current step's page, the page dots and
// the Back and Continue buttons. The list of steps is worked out afresh on
// every change and every press; no step advances by itself, and every step can
// be left at any time. Owns the two permission flags and the accessibility
// poll, which ends when the poll sees access or the view goes away. When the
// desktop will not turn accessibility on for us, asking sends the user to its
// settings and says so with `sentToSettings`. GUI thread.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize{640, 560};
    static constexpr std::chrono::milliseconds kAccessibilityPoll{1000};

    explicit OnboardingView(OnboardingServices services, QWidget* parent = nullptr);
    ~OnboardingView() override;

    QList<OnboardingStep> steps() const;
    OnboardingStep step() const { return m_step; }
    void setStep(OnboardingStep step);
    // The footer's two buttons, as a press would.
    void back();
    void primary();

    QWidget* page() const { return m_page; }
    OnbDots* dots() const { return m_dots; }
    QPushButton* backButton() const { return m_back; }
    QPushButton* primaryButton() const { return m_primary; }
    bool isPollingAccessibility() const { return m_pollToken != nullptr; }

    void requestMic();
    void requestAX();
    // Ends the accessibility poll.
    void stopPolling();

signals:
    // The primary button on the last step.
    void finished();
    // The user was sent to the desktop's accessibility settings to turn access on.
    void sentToSettings();
    // The poll found accessibility on.
    void accessibilityGranted();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void rebuildPage();
    void refreshFooter();
    void fitPage();
    void pollAccessibility();
    void applyPermissions();

    OnboardingServices m_services;
    OnboardingStep m_step;
    bool m_micGranted = false;
    bool m_axGranted = false;
    QObject* m_pollToken = nullptr;
    QVBoxLayout* m_pageHolder = nullptr;
    class QSpacerItem* m_topSpace = nullptr;
    class QHBoxLayout* m_buttons = nullptr;
    QWidget* m_page = nullptr;
    QPointer<PermissionsStep> m_permissions;
    OnbDots* m_dots = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_primary = nullptr;
};
