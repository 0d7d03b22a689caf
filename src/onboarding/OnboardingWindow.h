#pragma once

#include "onboarding/OnboardingServices.h"

#include <QObject>
#include <QPointer>

#include <functional>

#include "onboarding/OnboardingView.h"
class QWidget;

// The first-run window: 640 × 560, fixed, above the other windows, except
// while the user is in the desktop's settings: then it steps behind them, and
// comes back on top when access is granted or onboarding is shown again. Its
// close button only hides it (onboarding is then not done, and the next launch
// shows it again); finishing on the last step stores "onboardingDone", drops
// the window with all its state and reports `finished`. GUI thread.
class OnboardingWindow : public QObject {
    Q_OBJECT
public:
    static inline const QString kDoneKey = QStringLiteral("onboardingDone");

    // `makeServices` builds the pages' services each time a window is made.
    explicit OnboardingWindow(std::function<OnboardingServices()> makeServices, QObject* parent = nullptr);
    ~OnboardingWindow() override;

    // Opens onboarding, or brings the existing window back as it was.
    void show();
    // Finishes onboarding.
    void close();

    QWidget* window() const { return m_window; }
    OnboardingView* view() const { return m_view; }
    // Above the other windows (not while the user is sent to the settings).
    bool staysOnTop() const;

signals:
    // Onboarding was finished and its window is gone.
    void finished();

private:
    void present();
    void setStaysOnTop(bool onTop);

    std::function<OnboardingServices()> m_makeServices;
    Defaults* m_defaults = nullptr;
    QPointer<QWidget> m_window;
    QPointer<OnboardingView> m_view;
};
