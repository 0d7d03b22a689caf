#include "state/AppState.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

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

TEST(MainWindowPaneTest, TitlesRoundTripInSidebarOrder) {
    const QList<MainWindowPane> panes = MainWindowPanes::all();
    ASSERT_EQ(panes.size(), 10);
    for (MainWindowPane pane : panes)
        EXPECT_EQ(MainWindowPanes::fromTitle(MainWindowPanes::title(pane)), pane);
    EXPECT_EQ(MainWindowPanes::fromTitle(QStringLiteral("dashboard")), std::nullopt);
}

} // namespace
