// The program's translucent windows on the harness's X display, which runs no
// compositing manager: each is cut to its look, so the desktop shows at its
// corners and nothing of it is black, and the badge's caption reads on what
// lies behind it. With a compositor announced, the windows are left whole for
// it to blend. Screenshots go to the build's artifacts/looks.
#include "XSelectionOwner.h"
#include "learning/CorrectionChipView.h"
#include "learning/SelectionChipView.h"
#include "onboarding/BadgeColors.h"
#include "onboarding/MilestoneBadge.h"
#include "onboarding/MilestoneBadgeView.h"
#include "onboarding/Milestones.h"
#include "platform/Platform.h"
#include "platform/linux/EwmhWindowSystem.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/TempFolder.h"
#include "translation/TranslateBar.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kWait = 5000;
constexpr int kBackdropMargin = 40;
// The corner patches that must show the desktop.
constexpr int kCornerPatch = 3;
// The least contrast of small text with what is behind it.
constexpr double kLeastContrast = 4.5;

// The fakes, with the real window manager's view of the display.
class DisplayPlatform {
public:
    DisplayPlatform() {
        Platform set = m_fakes.services();
        set.windowSystem = &m_windows;
        m_previous = Platform::install(set);
    }
    ~DisplayPlatform() { Platform::install(m_previous); }
    DisplayPlatform(const DisplayPlatform&) = delete;
    DisplayPlatform& operator=(const DisplayPlatform&) = delete;
    EwmhWindowSystem& windows() { return m_windows; }

private:
    FakePlatform m_fakes;
    EwmhWindowSystem m_windows;
    Platform m_previous;
};

// The desktop behind the windows: a plain window of a colour none of them draws.
class Desktop : public QWidget {
public:
    static constexpr QRgb kColour = qRgb(38, 118, 160);

    Desktop()
        : QWidget(nullptr,
                  Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus) {
        setAttribute(Qt::WA_ShowWithoutActivating);
    }
    // Shows the desktop around `frame` and `window` above it; answers the screen there once drawn.
    QImage behind(QWidget& window, const QString& picture) {
        const QRect frame = window.geometry();
        setGeometry(frame.adjusted(-kBackdropMargin, -kBackdropMargin, kBackdropMargin, kBackdropMargin));
        show();
        if (!QTest::qWaitForWindowExposed(this))
            return {};
        window.show();
        window.raise();
        if (!QTest::qWaitForWindowExposed(&window))
            return {};
        QTest::qWait(300); // drawn
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                .toImage();
        Artifacts::save(shot, picture);
        return shot.convertToFormat(QImage::Format_RGB32);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(kColour)); }
};

// The pixels of the four corner patches that do not show the desktop.
int coveredCornerPixels(const QImage& shot) {
    int covered = 0;
    const QList<QPoint> corners = {{0, 0},
                                   {shot.width() - kCornerPatch, 0},
                                   {0, shot.height() - kCornerPatch},
                                   {shot.width() - kCornerPatch, shot.height() - kCornerPatch}};
    for (const QPoint& corner : corners)
        for (int y = 0; y < kCornerPatch; ++y)
            for (int x = 0; x < kCornerPatch; ++x)
                if (shot.pixel(corner.x() + x, corner.y() + y) != Desktop::kColour)
                    ++covered;
    return covered;
}

int blackPixels(const QImage& shot) {
    int black = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            black += qGray(shot.pixel(x, y)) < 8 ? 1 : 0;
    return black;
}

double luminance(QRgb pixel) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The caption is the lowest line in the caption's colour. Answers the
// contrast of its ink with the ground of its line (the commonest shade
// there), or 0 when no pixel of that colour shows.
double captionContrast(const QImage& shot, QRgb ink) {
    constexpr int kTolerance = 6;
    constexpr int kLeastInkPerRow = 3;
    const auto inkInRow = [&](int y) {
        int count = 0;
        for (int x = 0; x < shot.width(); ++x)
            count += near(shot.pixel(x, y), ink, kTolerance) ? 1 : 0;
        return count;
    };
    int bottom = shot.height() - 1;
    while (bottom >= 0 && inkInRow(bottom) < kLeastInkPerRow)
        --bottom;
    if (bottom < 0)
        return 0;
    int top = bottom;
    while (top > 0 && inkInRow(top - 1) >= kLeastInkPerRow)
        --top;
    int left = shot.width(), right = -1;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (near(shot.pixel(x, y), ink, kTolerance)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    std::vector<QRgb> line;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            line.push_back(shot.pixel(x, y));
    std::sort(line.begin(), line.end(), [](QRgb a, QRgb b) { return luminance(a) < luminance(b); });
    // Letters cover well under half of their line.
    const QRgb ground = line[line.size() / 2];
    return contrast(ground, ink);
}

class TranslucentWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
            GTEST_SKIP() << "needs the desktop harness's X display";
        ASSERT_FALSE(platform.windows().hasCompositor()) << "the harness runs no compositor";
    }

    MilestoneBadge::Environment environment() {
        MilestoneBadge::Environment env;
        env.pointer = [] { return std::nullopt; };
        env.screens = [] {
            QList<MilestoneBadge::Screen> screens;
            for (QScreen* screen : QGuiApplication::screens())
                screens.append({screen->geometry(), screen->availableGeometry()});
            return screens;
        };
        env.primaryIndex = [] { return 0; };
        env.reduceMotion = [] { return true; };
        return env;
    }

    // Shows the welcome badge and answers the screen under it once its column is drawn.
    QImage welcomeBadge(MilestoneBadge& badge, Desktop& desktop, const QString& picture) {
        badge.celebrateIfDue(100);
        if (!badge.view() || !QTest::qWaitFor([&] { return badge.view()->hasColumn(); }, kWait))
            return {};
        return desktop.behind(*badge.panel(), picture);
    }

    DisplayPlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ManualTimers timers;
};

TEST_F(TranslucentWindowsTest, TheBadgeIsACardOnTheDesktopWithACaptionThatReads) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(30, 30, 32));
    for (const bool onDark : {false, true}) {
        SCOPED_TRACE(onDark ? "on a dark palette" : "on a light palette");
        QApplication::setPalette(onDark ? dark : light);
        MilestoneBadge badge(defaults, timers.delayedCall(), environment());
        Desktop desktop;
        const QString picture = onDark ? QStringLiteral("badge-bare-dark.png") : QStringLiteral("badge-bare-light.png");
        const QImage shot = welcomeBadge(badge, desktop, picture);
        ASSERT_EQ(shot.size(), MilestoneBadge::kSize);
        ASSERT_EQ(badge.view()->onDark(), onDark);
        EXPECT_EQ(coveredCornerPixels(shot), 0) << "the corners hide the desktop, see " << picture.toStdString();
        const double caption = captionContrast(shot, BadgeColors::caption(onDark).rgb());
        EXPECT_GE(caption, kLeastContrast) << "the caption is hard to read, see " << picture.toStdString();
        defaults.remove(Milestones::kWelcomeShownKey);
    }
    QApplication::setPalette(light);

    // With a compositor the window is left whole for it to blend; nothing
    // blends on the harness, so its clear corners show black.
    XSelectionOwner compositor("_NET_WM_CM_S0");
    ASSERT_TRUE(compositor.isOpen());
    compositor.take();
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.windows().hasCompositor(); }, kWait));
    MilestoneBadge badge(defaults, timers.delayedCall(), environment());
    Desktop desktop;
    const QImage shot = welcomeBadge(badge, desktop, QStringLiteral("badge-announced-compositor.png"));
    ASSERT_EQ(shot.size(), MilestoneBadge::kSize);
    EXPECT_EQ(coveredCornerPixels(shot), 4 * kCornerPatch * kCornerPatch);
}

TEST_F(TranslucentWindowsTest, TheChipsAndTheTranslateBarShowTheDesktopAroundThemAndNoBlack) {
    const Qt::WindowFlags chipFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                      | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint;
    CorrectionChipView correction;
    correction.setCandidate(CorrectionCandidate{QStringLiteral("corvane"), QStringLiteral("Quorvane")});
    SelectionChipView selection;
    TranslateBar::Services services = TranslateBar::Services::standard();
    services.later = timers.delayedCall();
    services.hasSelectionRect = [](std::function<void(bool has)> answered) { answered(false); };
    TranslateBar bar(services);
    bar.show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
    ASSERT_TRUE(bar.panel());
    bar.panel()->hide();
    const QList<QPair<QWidget*, QString>> windows = {{&correction, QStringLiteral("correction-chip-bare.png")},
                                                     {&selection, QStringLiteral("selection-chip-bare.png")},
                                                     {bar.panel(), QStringLiteral("translate-bar-bare.png")}};
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& [window, picture] : windows) {
        SCOPED_TRACE(picture.toStdString());
        if (window != bar.panel()) {
            window->setWindowFlags(chipFlags);
            window->setAttribute(Qt::WA_ShowWithoutActivating);
        }
        window->move(available.center() - QPoint(window->width() / 2, window->height() / 2));
        Desktop desktop;
        const QImage shot = desktop.behind(*window, picture);
        ASSERT_EQ(shot.size(), window->size());
        EXPECT_EQ(coveredCornerPixels(shot), 0) << "see " << picture.toStdString();
        EXPECT_EQ(blackPixels(shot), 0) << "see " << picture.toStdString();
        window->hide();
    }
}

} // namespace
