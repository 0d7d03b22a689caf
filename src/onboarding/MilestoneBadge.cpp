#include "onboarding/MilestoneBadge.h"

#include "looks/Motion.h"
#include "looks/TranslucentWindow.h"
#include "onboarding/MilestoneBadgeView.h"
#include "onboarding/MilestoneTone.h"
#include "onboarding/Milestones.h"
#include "platform/Platform.h"
#include "platform/PointerWatch.h"
#include "platform/WindowSystem.h"
#include "support/Defaults.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainterPath>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr int kDarkLightness = 128;

QString headlineFor(int hours) { return hours == 1 ? QStringLiteral("hour saved") : QStringLiteral("hours saved"); }

} // namespace

MilestoneBadge::Environment MilestoneBadge::Environment::desktop() {
    Environment environment;
    environment.pointer = []() -> std::optional<QPoint> {
        if (PointerWatch* watch = Platform::current().pointerWatch)
            return watch->position();
        return std::nullopt;
    };
    environment.screens = [] {
        QList<MilestoneBadge::Screen> screens;
        for (QScreen* screen : QGuiApplication::screens())
            screens.append({screen->geometry(), screen->availableGeometry()});
        return screens;
    };
    environment.primaryIndex = [] {
        return static_cast<int>(QGuiApplication::screens().indexOf(QGuiApplication::primaryScreen()));
    };
    environment.reduceMotion = [] { return Motion::reduced(); };
    environment.playChime = [] { MilestoneTone::play(); };
    return environment;
}

MilestoneBadge::MilestoneBadge(Defaults& defaults, DelayedCall delayedCall, Environment environment, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_delayedCall(std::move(delayedCall)),
      m_environment(std::move(environment)) {}

MilestoneBadge::~MilestoneBadge() {
    delete m_hideToken;
    delete m_panel;
}

bool MilestoneBadge::isEnabled() const { return m_defaults.boolOr(kEnabledKey, true); }

void MilestoneBadge::celebrateIfDue(double totalSavedSeconds) {
    if (!isEnabled())
        return;
    if (const std::optional<int> hours = Milestones::crossing(m_defaults, totalSavedSeconds)) {
        show(*hours);
        return;
    }
    if (Milestones::welcomeIsDue(m_defaults, totalSavedSeconds))
        present(kWelcomeHeadline, std::nullopt, kWelcomeLine);
}

void MilestoneBadge::show(int hours) { present(headlineFor(hours), hours, Milestones::line(hours)); }

std::optional<QPoint> MilestoneBadge::placement(const QList<Screen>& screens, int primaryIndex,
                                                std::optional<QPoint> pointer) {
    if (screens.isEmpty())
        return std::nullopt;
    const Screen* chosen = nullptr;
    if (pointer) {
        for (const Screen& screen : screens) {
            if (screen.frame.contains(*pointer)) {
                chosen = &screen;
                break;
            }
        }
    }
    if (!chosen)
        chosen = &screens.at(primaryIndex >= 0 && primaryIndex < screens.size() ? primaryIndex : 0);
    const QRect& area = chosen->available;
    return QPoint(area.x() + area.width() - kSize.width() - kMargin,
                  area.y() + area.height() - kSize.height() - kMargin);
}

bool MilestoneBadge::isDarkUnderneath() {
    return QApplication::palette().color(QPalette::Window).lightness() < kDarkLightness;
}

QPainterPath MilestoneBadge::cardOutline() {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(kCardArea), kCardRadius, kCardRadius);
    return outline;
}

bool MilestoneBadge::isShowing() const { return m_panel && m_panel->isVisible(); }

void MilestoneBadge::ensurePanel() {
    if (m_panel)
        return;
    auto* panel = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                           | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus
                                           | Qt::NoDropShadowWindowHint);
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setAttribute(Qt::WA_TransparentForMouseEvents);
    panel->setFixedSize(kSize);
    m_translucency = new TranslucentWindow(
        *panel, [](const QSize&) { return cardOutline(); }, Qt::white);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_panel = panel;
}

void MilestoneBadge::present(const QString& headline, std::optional<int> number, const QString& line) {
    const bool reduceMotion = m_environment.reduceMotion && m_environment.reduceMotion();
    ensurePanel();
    delete m_view;
    const bool dark = isDarkUnderneath();
    auto* view = new MilestoneBadgeView(headline, number, line, dark, reduceMotion, m_panel);
    // The bloom's own colour, at its centre.
    m_translucency->setGround(dark ? Qt::black : Qt::white);
    m_panel->layout()->addWidget(view);
    m_panel->setAccessibleName(view->spokenLabel());
    m_view = view;

    const QList<Screen> screens = m_environment.screens ? m_environment.screens() : QList<Screen>();
    const int primary = m_environment.primaryIndex ? m_environment.primaryIndex() : 0;
    const std::optional<QPoint> pointer = m_environment.pointer ? m_environment.pointer() : std::nullopt;
    if (const std::optional<QPoint> origin = placement(screens, primary, pointer))
        m_panel->move(*origin);
    m_panel->show();
    if (WindowSystem* windows = Platform::current().windowSystem)
        windows->keepOnEveryDesktop(*m_panel);
    view->arrive();

    if (m_defaults.boolOr(kSoundKey, false) && m_environment.playChime)
        m_environment.playChime();

    delete m_hideToken;
    m_hideToken = new QObject(this);
    QPointer<QWidget> panel = m_panel;
    m_delayedCall(kHideAfter, m_hideToken, [panel] {
        if (panel)
            panel->hide();
    });
}
