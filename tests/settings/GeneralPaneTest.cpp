// The General page: the name commit with its "Saved" mark and announcement,
// the theme's reaction, the milestone switches and the badge preview.
#include "mainwindow/GeneralPane.h"
#include "PageRender.h"
#include "looks/Appearance.h"
#include "mainwindow/GreetingLine.h"
#include "mainwindow/LiveControls.h"
#include "mainwindow/LiveSettingsControl.h"
#include "mainwindow/SampleTile.h"
#include "onboarding/MilestoneBadge.h"
#include "onboarding/Milestones.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

const QString kSun = QStringLiteral("\u2600\uFE0F");

class GeneralPaneTest : public ::testing::Test {
protected:
    GeneralPane::Services services() {
        GeneralPane::Services s;
        s.defaults = &defaults;
        s.applyAppearance = [this] {
            calls << QStringLiteral("appearance");
            applyStoredAppearance(defaults, nullptr);
        };
        s.applyDockArt = [this](const QString& reason) { calls << QStringLiteral("dock:") + reason; };
        s.refreshDockPolicy = [this] { calls << QStringLiteral("policy"); };
        s.accountName = [] { return QStringLiteral("Robin Example"); };
        s.now = [this] { return now; };
        s.announce = [this](const QString& text) { announced << text; };
        s.later = timers.delayedCall();
        s.openZoomSettings = [this] { calls << QStringLiteral("zoom"); };
        s.badge = &badge;
        return s;
    }

    MilestoneBadge::Environment badgeEnvironment() {
        MilestoneBadge::Environment env;
        env.pointer = [] { return std::nullopt; };
        env.screens = [] { return QList<MilestoneBadge::Screen>{{QRect(0, 0, 1920, 1080), QRect(0, 32, 1920, 1048)}}; };
        env.primaryIndex = [] { return 0; };
        env.reduceMotion = [] { return true; };
        env.playChime = [this] { calls << QStringLiteral("chime"); };
        return env;
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ManualTimers timers;
    QDateTime now{QDate(2026, 12, 9), QTime(9, 0)};
    QStringList calls;
    QStringList announced;
    MilestoneBadge badge{defaults, timers.delayedCall(), badgeEnvironment()};
};

TEST_F(GeneralPaneTest, ReturnStoresTheTrimmedNameShowsSavedAndAnnouncesTheGreeting) {
    GeneralPane pane(services());
    EXPECT_FALSE(pane.saveButton()->isEnabled());
    pane.nameField()->setText(QStringLiteral(" \tSam  "));
    EXPECT_EQ(pane.preview()->text(), QStringLiteral("Good morning, Sam ") + kSun);
    EXPECT_FALSE(defaults.contains(GeneralPane::kUserName));
    EXPECT_TRUE(pane.saveButton()->isEnabled());

    QTest::keyClick(pane.nameField(), Qt::Key_Return);
    EXPECT_EQ(defaults.string(GeneralPane::kUserName), QStringLiteral("Sam"));
    EXPECT_EQ(pane.nameField()->text(), QStringLiteral("Sam"));
    EXPECT_FALSE(pane.saveButton()->isEnabled());
    EXPECT_EQ(announced, QStringList({QStringLiteral("Name saved. Good morning, Sam ") + kSun}));
    EXPECT_FALSE(pane.savedMark()->isHidden());
    timers.advance(GeneralPane::kSavedShown);
    EXPECT_TRUE(pane.savedMark()->isHidden());
}

TEST_F(GeneralPaneTest, CommittingTheStoredNameOrNothingNewDoesNothing) {
    defaults.set(GeneralPane::kUserName, QStringLiteral("Sam"));
    GeneralPane pane(services());
    pane.nameField()->setText(QStringLiteral("Sam "));
    pane.commitName();
    EXPECT_TRUE(announced.isEmpty());
    EXPECT_TRUE(pane.savedMark()->isHidden());
    EXPECT_EQ(pane.nameField()->text(), QStringLiteral("Sam"));

    // An empty name is stored, and the greeting falls back to the account.
    pane.nameField()->clear();
    pane.saveButton()->click();
    EXPECT_EQ(defaults.string(GeneralPane::kUserName), QString());
    EXPECT_EQ(announced.last(), QStringLiteral("Name saved. Good morning, Robin ") + kSun);
}

TEST_F(GeneralPaneTest, ASecondSaveKeepsItsSavedMarkForItsOwnTime) {
    GeneralPane pane(services());
    pane.nameField()->setText(QStringLiteral("Sam"));
    pane.commitName();
    timers.advance(std::chrono::milliseconds(1500));
    pane.nameField()->setText(QStringLiteral("Alex"));
    pane.commitName();
    timers.advance(std::chrono::milliseconds(1000));
    EXPECT_FALSE(pane.savedMark()->isHidden()) << "the first save's reset must not hide the second mark";
    timers.advance(std::chrono::milliseconds(1300));
    EXPECT_TRUE(pane.savedMark()->isHidden());
}

TEST_F(GeneralPaneTest, LeavingThePageSavesAChangedName) {
    {
        GeneralPane pane(services());
        pane.show();
        pane.nameField()->setText(QStringLiteral("Kim"));
    }
    EXPECT_EQ(defaults.string(GeneralPane::kUserName), QStringLiteral("Kim"));
    EXPECT_EQ(announced.size(), 1);
}

TEST_F(GeneralPaneTest, TheDarkTileTurnsTheProgramDarkAndRedrawsTheIconArt) {
    defaults.set(LiveControls::kAppearance, QStringLiteral("light"));
    applyStoredAppearance(defaults, nullptr);
    ASSERT_FALSE(Appearance::isDark());
    GeneralPane pane(services());
    EXPECT_TRUE(calls.isEmpty());
    pane.appearanceControl()->tiles().at(2)->click();
    EXPECT_TRUE(Appearance::isDark());
    EXPECT_EQ(calls, QStringList({QStringLiteral("appearance"), QStringLiteral("dock:theme-changed")}));

    pane.dockToggle()->setChecked(true);
    EXPECT_EQ(calls.last(), QStringLiteral("policy"));
    EXPECT_EQ(defaults.boolean(GeneralPane::kShowInDock), true);
    defaults.set(LiveControls::kAppearance, QStringLiteral("light"));
    applyStoredAppearance(defaults, nullptr);
}

TEST_F(GeneralPaneTest, ShowMeOneShowsTheThreeHourBadgeAndTheSwitchesGovernIt) {
    GeneralPane pane(services());
    EXPECT_TRUE(pane.badgeToggle()->isChecked());
    EXPECT_FALSE(pane.toneToggle()->isChecked());
    pane.showMeOne()->click();
    ASSERT_TRUE(badge.isShowing());
    EXPECT_EQ(badge.view()->number(), 3);
    EXPECT_FALSE(defaults.contains(Milestones::kHighestKey)) << "a preview is no milestone";
    EXPECT_TRUE(calls.isEmpty()) << "no tone while it is off";
    timers.advance(MilestoneBadge::kHideAfter);
    EXPECT_FALSE(badge.isShowing());

    pane.toneToggle()->setChecked(true);
    pane.showMeOne()->click();
    EXPECT_EQ(calls, QStringList({QStringLiteral("chime")}));
    pane.badgeToggle()->setChecked(false);
    EXPECT_FALSE(pane.toneToggle()->isVisibleTo(&pane));
    EXPECT_FALSE(pane.showMeOne()->isEnabled());
    EXPECT_EQ(defaults.boolean(GeneralPane::kSoundEnabled), true);

    // Without a badge in this build, the preview is disabled either way.
    GeneralPane::Services bare = services();
    bare.badge = nullptr;
    defaults.set(GeneralPane::kBadgeEnabled, true);
    GeneralPane without(bare);
    EXPECT_FALSE(without.showMeOne()->isEnabled());
}

TEST_F(GeneralPaneTest, ThePageOffersWhatOnlyTheTrayMenuWouldOtherwise) {
    GeneralPane::Services s = services();
    s.checkForUpdates = [this] { calls << QStringLiteral("updates"); };
    s.openMicrophoneTest = [this] { calls << QStringLiteral("microphone"); };
    s.quit = [this] { calls << QStringLiteral("quit"); };
    GeneralPane pane(s);
    pane.resize(700, 3000);
    pane.show();
    for (const char* title : {"Check for Updates\u2026", "Microphone Test\u2026", "Quit Quorvane"}) {
        QPushButton* button = nullptr;
        for (QPushButton* candidate : pane.findChildren<QPushButton*>())
            if (candidate->text() == QString::fromUtf8(title))
                button = candidate;
        ASSERT_NE(button, nullptr) << title;
        EXPECT_TRUE(button->isEnabled()) << title;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    EXPECT_EQ(calls, (QStringList{"updates", "microphone", "quit"}));
}

TEST_F(GeneralPaneTest, TheGreetingTurnsAtFiveAndAtSixInTheEvening) {
    GeneralPane pane(services());
    const QString moon = QString::fromUcs4(U"\U0001F319");
    now.setTime(QTime(17, 59));
    EXPECT_EQ(pane.greetingFor(QStringLiteral("Sam")), QStringLiteral("Good afternoon, Sam ") + kSun);
    now.setTime(QTime(18, 0));
    EXPECT_EQ(pane.greetingFor(QStringLiteral("Sam")), QStringLiteral("Good evening, Sam ") + moon);
    now.setTime(QTime(4, 59));
    EXPECT_EQ(pane.greetingFor(QString()), QStringLiteral("Good evening, Robin ") + moon);
    now.setTime(QTime(5, 0));
    EXPECT_EQ(pane.greetingFor(QString()), QStringLiteral("Good morning, Robin ") + kSun);
}

class GeneralPageRenderTest : public GeneralPaneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(GeneralPageRenderTest, ThePageRendersInTheLookWithItsThemeTileSelected) {
    defaults.set(GeneralPane::kUserName, QStringLiteral("Sam"));
    PageRender render(defaults, GetParam());
    auto* pane = render.render<GeneralPane>(MainWindowPane::General, QStringLiteral("general"),
                                            [this] { return new GeneralPane(services()); });
    ASSERT_NE(pane, nullptr);
    const int selected = pane->appearanceControl()->selectedIndex();
    ASSERT_GE(selected, 0);
    EXPECT_EQ(pane->appearanceControl()->tiles().at(selected)->text(),
              GetParam() ? QStringLiteral("Dark") : QStringLiteral("Light"));
    EXPECT_EQ(pane->nameField()->text(), QStringLiteral("Sam"));
}

QUORVANE_INSTANTIATE_LOOKS(GeneralPageRenderTest);

} // namespace
