#pragma once

#include "dictation/DictationPeers.h"
#include "support/DelayedCall.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <chrono>
#include <functional>
#include <optional>

class Defaults;
#include "onboarding/MilestoneBadgeView.h"
class QPainterPath;
class QWidget;
class TranslucentWindow;

// Shows the hours-saved badge for a few seconds in the bottom-right corner of
// the screen under the pointer, above every window, never taking the focus and
// letting clicks through. One instance serves the dictation and the General
// page's preview. A newer badge replaces the one showing and gets its own full
// time. Where the desktop does not blend windows, the badge is a solid
// rounded card in the bloom's colour, its corners showing the desktop. GUI
// thread.
class MilestoneBadge : public QObject, public MilestoneNotifier {
    Q_OBJECT
public:
    static constexpr QSize kSize{300, 240};
    static constexpr int kMargin = 24;
    static constexpr std::chrono::milliseconds kHideAfter{4200};
    // The solid card where windows are not blended: the column and its
    // caption with room around them.
    static constexpr QRect kCardArea{16, 40, 268, 160};
    static constexpr qreal kCardRadius = 32;
    static inline const QString kEnabledKey = QStringLiteral("milestoneBadgeEnabled");
    static inline const QString kSoundKey = QStringLiteral("milestoneSoundEnabled");
    static inline const QString kWelcomeHeadline = QStringLiteral("That is one");
    static inline const QString kWelcomeLine = QStringLiteral("I will keep count. See you at an hour.");

    // A screen as placement sees it: its whole frame and the part free of panels.
    struct Screen {
        QRect frame;
        QRect available;
    };

    // `pointer` tells where the mouse pointer is (none when unknown); `screens`
    // lists the screens in the system's order with the primary one marked by
    // `primaryIndex`.
    struct Environment {
        std::function<std::optional<QPoint>()> pointer;
        std::function<QList<Screen>()> screens;
        std::function<int()> primaryIndex;
        std::function<bool()> reduceMotion;
        std::function<void()> playChime;

        // The desktop's pointer, screens and motion setting, and the chime.
        static Environment desktop();
    };
    MilestoneBadge(Defaults& defaults, DelayedCall delayedCall, Environment environment, QObject* parent = nullptr);
    ~MilestoneBadge() override;

    // With badges on: shows the milestone newly crossed, else the one-time
    // welcome when it is due. With badges off nothing is looked at or recorded.
    void celebrateIfDue(double totalSavedSeconds) override;
    // Shows the badge of `hours` without reading or writing any milestone.
    void show(int hours);

    // "milestoneBadgeEnabled": true unless it holds false.
    bool isEnabled() const;
    // The top-left corner of the badge: 24 points from the right and bottom
    // edges of the available area of the first screen whose frame holds the
    // pointer, else of the primary screen; none without screens.
    static std::optional<QPoint> placement(const QList<Screen>& screens, int primaryIndex,
                                           std::optional<QPoint> pointer);
    // The application's palette is dark.
    static bool isDarkUnderneath();

    // The badge window, while it exists (it is kept and reused once made).
    QWidget* panel() const { return m_panel; }
    // The card's outline in the badge window.
    static QPainterPath cardOutline();
    // The view the badge shows now, if any.
    MilestoneBadgeView* view() const { return m_view; }
    bool isShowing() const;

private:
    void present(const QString& headline, std::optional<int> number, const QString& line);
    void ensurePanel();

    Defaults& m_defaults;
    DelayedCall m_delayedCall;
    Environment m_environment;
    QPointer<QWidget> m_panel;
    TranslucentWindow* m_translucency = nullptr;
    QPointer<MilestoneBadgeView> m_view;
    // Deleting the token cancels the pending hide.
    QObject* m_hideToken = nullptr;
};
