#include "state/AppState.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(AppStateTest, StartsQuiet) {
    AppState state;
    EXPECT_FALSE(state.isRecording());
    EXPECT_FALSE(state.serverReady());
    EXPECT_FALSE(state.returnPressedWhileThinking());
    EXPECT_FALSE(state.modeIsPinned());
    EXPECT_FALSE(state.isTranslating());
    EXPECT_FALSE(state.cardAtTop());
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
    EXPECT_TRUE(state.liveText().isEmpty());
    EXPECT_TRUE(state.finalText().isEmpty());
    EXPECT_TRUE(state.flashMessage().isEmpty());
    EXPECT_TRUE(state.targetAppName().isEmpty());
    EXPECT_TRUE(state.modeName().isEmpty());
    EXPECT_TRUE(state.targetAppIcon().isNull());
    EXPECT_EQ(state.micLevel(), 0.0f);
    EXPECT_EQ(state.cleanupState(), AppState::CleanupState::Idle);
    EXPECT_TRUE(state.wordSwaps().isEmpty());
    EXPECT_EQ(state.requestedPane(), std::nullopt);
}

TEST(AppStateTest, PublishedFieldsSignalChanges) {
    AppState state;
    QSignalSpy mode(&state, &AppState::bubbleModeChanged);
    QSignalSpy swaps(&state, &AppState::wordSwapsChanged);
    QSignalSpy pane(&state, &AppState::requestedPaneChanged);

    state.setBubbleMode(BubbleMode::Listening);
    state.setBubbleMode(BubbleMode::Listening);
    state.setBubbleMode(BubbleMode::Thinking);
    EXPECT_EQ(mode.count(), 2);

    const AppState::WordSwap swap{QUuid::createUuid(), "there", {"their", "they're"}, 4, 5};
    state.setWordSwaps({swap});
    EXPECT_EQ(state.wordSwaps().first(), swap);
    state.setWordSwaps({});
    EXPECT_EQ(swaps.count(), 2);

    state.setRequestedPane(MainWindowPane::Voice);
    state.setRequestedPane(std::nullopt);
    EXPECT_EQ(pane.count(), 2);
}

TEST(AppStateTest, SharedIsOneInstance) { EXPECT_EQ(&AppState::shared(), &AppState::shared()); }

TEST(MainWindowPaneTest, TitlesRoundTripInSidebarOrder) {
    const QList<MainWindowPane> panes = MainWindowPanes::all();
    ASSERT_EQ(panes.size(), 10);
    EXPECT_EQ(MainWindowPanes::title(panes.first()), QStringLiteral("Dashboard"));
    EXPECT_EQ(MainWindowPanes::title(MainWindowPane::Voice), QStringLiteral("Your voice"));
    for (MainWindowPane pane : panes)
        EXPECT_EQ(MainWindowPanes::fromTitle(MainWindowPanes::title(pane)), pane);
    EXPECT_EQ(MainWindowPanes::fromTitle(QStringLiteral("dashboard")), std::nullopt);
}

} // namespace
