#include "bubble/BubbleFixture.h"

#include "dictation/BubbleView.h"
#include "dictation/PasteLast.h"
#include "dictation/SwapOptionButton.h"
#include "dictation/WordSwapTaker.h"
#include "stores/HistoryStore.h"
#include "support/Artifacts.h"
#include "support/FakePlatform.h"

#include <QImage>
#include <QRegularExpression>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Rule = BubblePlacement::Rule;

namespace {

class RecordingTaker : public WordSwapTaker {
public:
    void take(const AppState::WordSwap& swap, const QString& option) override { taken.append({swap.word, option}); }
    QList<QPair<QString, QString>> taken;
};

class BubblePanelTest : public testing::Test, public BubbleFixture {
protected:
    QString words(int count) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("word");
        return list.join(QLatin1Char(' '));
    }
    AppState::WordSwap swap(const QString& word, const QStringList& options) {
        return {QUuid::createUuid(), word, options, 0, int(word.size())};
    }
    // A result card in Editor with one offer for "teh".
    void resultWithOffer(const QStringList& options) {
        state.setTargetAppName(QStringLiteral("Editor"));
        state.setFinalText(QStringLiteral("teh cat"));
        state.setWordSwaps({swap(QStringLiteral("teh"), options)});
        panel.setWordSwapTaker(&taker);
        panel.show(BubbleMode::Result);
    }

    RecordingTaker taker;
};

TEST_F(BubblePanelTest, AResultCardStaysLongerForLongerTextsUpToTheSetting) {
    EXPECT_EQ(BubblePanel::resultLifetime(words(4), false, defaults), 900ms);
    EXPECT_EQ(BubblePanel::resultLifetime(words(200), false, defaults), 5000ms);
    EXPECT_EQ(BubblePanel::resultLifetime(QStringLiteral("  spaced\tout\n words  "), false, defaults), 850ms);
    defaults.set(QStringLiteral("resultCardSeconds"), 2);
    EXPECT_EQ(BubblePanel::resultLifetime(words(100), false, defaults), 2000ms);
    defaults.set(QStringLiteral("resultCardSeconds"), QStringLiteral("2"));
    EXPECT_EQ(BubblePanel::resultLifetime(words(100), false, defaults), 5000ms) << "text counts as absent";
}

TEST_F(BubblePanelTest, OfferedSwapsKeepTheCardAtLeastSixSeconds) {
    EXPECT_EQ(BubblePanel::resultLifetime(words(4), true, defaults), 6000ms);
    defaults.set(QStringLiteral("resultCardSeconds"), 10);
    EXPECT_EQ(BubblePanel::resultLifetime(words(146), true, defaults), 8000ms);
}

TEST_F(BubblePanelTest, AResultShowSchedulesItsHideAndAnyLaterShowCancelsIt) {
    state.setFinalText(words(4));
    panel.show(BubbleMode::Result);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers.front().delay, 900ms);
    EXPECT_TRUE(panel.hideScheduled());

    panel.show(BubbleMode::Listening);
    EXPECT_FALSE(panel.hideScheduled());
    fireTimers();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Listening);
    EXPECT_TRUE(panel.window()->isVisible());
}

TEST_F(BubblePanelTest, TheLastScheduledHideWins) {
    panel.show(BubbleMode::Flash);
    panel.scheduleHide(20s);
    panel.scheduleHide(2200ms);
    ASSERT_EQ(timers.size(), 2u);
    timers.front().task(); // the replaced timer
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Flash);
    timers.back().task();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
    EXPECT_FALSE(panel.window()->isVisible());
    EXPECT_EQ(traces.last(), QStringLiteral("hide() called"));
}

TEST_F(BubblePanelTest, ThePanelNeverTakesTheFocusAndTakesTheMouseOnlyForAResult) {
    panel.show(BubbleMode::Listening);
    QWidget* window = panel.window();
    ASSERT_NE(window, nullptr);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(panel.acceptsMouse());
    panel.show(BubbleMode::Result);
    EXPECT_TRUE(panel.acceptsMouse());
    panel.show(BubbleMode::Flash);
    EXPECT_FALSE(panel.acceptsMouse());
    EXPECT_FALSE(window->isActiveWindow());
}

TEST_F(BubblePanelTest, TheWindowIsCutToTheLookSoTheDesktopAroundItShowsAndTakesItsClicks) {
    defaults.set(QStringLiteral("previewStyle"), QStringLiteral("pill"));
    state.setFinalText(QStringLiteral("send the report"));
    for (const BubbleMode mode : {BubbleMode::Listening, BubbleMode::Thinking, BubbleMode::Result, BubbleMode::Flash}) {
        panel.show(mode);
        const QRegion mask = panel.window()->mask();
        const QRect look = panel.view()->lookRect().toAlignedRect();
        EXPECT_EQ(mask, panel.view()->lookShape()) << int(mode);
        EXPECT_TRUE(look.contains(mask.boundingRect())) << int(mode);
        EXPECT_TRUE(mask.contains(look.center())) << int(mode);
        // The clear band above a card or a pill at the bottom, and the rounded corners.
        EXPECT_FALSE(mask.contains(QPoint(BubblePanel::kSize.width() / 2, 5))) << int(mode);
        EXPECT_FALSE(mask.contains(look.topLeft())) << int(mode);
    }
    // The card growing with its text takes its outline along.
    panel.show(BubbleMode::Result);
    const int before = panel.window()->mask().boundingRect().height();
    state.setFinalText(words(60));
    EXPECT_GT(panel.window()->mask().boundingRect().height(), before);
    EXPECT_EQ(panel.window()->mask(), panel.view()->lookShape());
}

TEST_F(BubblePanelTest, WithoutACompositorTheLookIsPaintedOpaque) {
    state.setFinalText(QStringLiteral("send the report"));
    const auto render = [&] {
        QImage image(BubblePanel::kSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        panel.view()->render(&image);
        return image;
    };
    const auto alphaInside = [&](const QImage& image) {
        int lowest = 255;
        const QRegion shape = panel.view()->lookShape();
        for (const QRect& band : shape)
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    lowest = std::min(lowest, qAlpha(image.pixel(x, y)));
        return lowest;
    };
    panel.show(BubbleMode::Result);
    EXPECT_FALSE(panel.view()->isOpaque());
    EXPECT_LT(alphaInside(render()), 255) << "translucent over a compositing desktop";

    // The compositing manager has gone: the next show paints every pixel of the look solid.
    composited = false;
    panel.show(BubbleMode::Result);
    EXPECT_TRUE(panel.view()->isOpaque());
    const QImage opaque = render();
    Artifacts::save(opaque, QStringLiteral("result-card-opaque.png"));
    EXPECT_EQ(alphaInside(opaque), 255);
    EXPECT_EQ(qAlpha(opaque.pixel(BubblePanel::kSize.width() / 2, 5)), 0) << "outside the look nothing is drawn";
    defaults.set(QStringLiteral("paperTheme"), true);
    EXPECT_EQ(alphaInside(render()), 255) << "the paper card too";
}

TEST_F(BubblePanelTest, ATakeThinksWhereItListenedWithoutPlacingItAgain) {
    screens.append({QRectF(1920, 0, 1920, 1080), QRectF(1920, 0, 1920, 1050)});
    panel.show(BubbleMode::Listening);
    const QPoint listened = panel.window()->pos();

    // Were the bubble placed again, it would follow the pointer to the other screen.
    mouse = QPointF(2500, 500);
    panel.show(BubbleMode::Thinking);
    EXPECT_EQ(panel.window()->pos(), listened);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Thinking);

    panel.show(BubbleMode::Result);
    EXPECT_NE(panel.window()->pos(), listened) << "any other show places the bubble afresh";
}

TEST_F(BubblePanelTest, TheShowLineTellsWhereAndHowThePanelWent) {
    panel.show(BubbleMode::Thinking);
    ASSERT_FALSE(traces.isEmpty());
    const QString line = traces.last();
    static const QRegularExpression format(QStringLiteral(
        R"(^show\(thinking\) rule=mouse mouseScreen=true size=620x320 origin=\(650,700\) frame=\{\{650, 700\}, \{620, 320\}\} )"
        R"(visible=true onScreen=true intersectsADisplay=true alpha=1 level=1000 screens=1$)"));
    EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();

    mouse = QPointF(-500, -500); // on no screen
    panel.show(BubbleMode::Listening);
    EXPECT_TRUE(traces.last().startsWith(QStringLiteral("show(listening) rule=mainScreen mouseScreen=false ")))
        << traces.last().toStdString();
}

// ---- Placement ----------------------------------------------------------------

class BubblePlacementTest : public BubblePanelTest {
protected:
    BubblePlacementTest() {
        screens = {{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1050)},
                   {QRectF(1920, 0, 1600, 900), QRectF(1920, 30, 1600, 870)}};
    }
    QPoint origin() const { return panel.window()->geometry().topLeft(); }
};

TEST_F(BubblePlacementTest, TheCaretsScreenWinsOnlyWhereTheMouseIs) {
    caret = QRectF(2500, 400, 0, 18); // a caret of no width on the right screen
    mouse = QPointF(2600, 500);
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(panel.lastPlacementRule(), Rule::Caret);
    EXPECT_EQ(origin(), QPoint(1920 + 800 - 310, 900 - 30 - 320));

    mouse = QPointF(100, 100); // the mouse on the other screen: the window rules decide
    window = QRectF(2000, 100, 800, 600);
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(panel.lastPlacementRule(), Rule::Mouse);
    EXPECT_EQ(origin(), QPoint(960 - 310, 1050 - 30 - 320));
}

TEST_F(BubblePlacementTest, AWindowWithinTwoPointsOfItsScreenPlacesAsFullScreen) {
    mouse = QPointF(100, 100);
    window = QRectF(1920, 0, 1601.5, 898.5);
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(panel.lastPlacementRule(), Rule::FullscreenApp);
    EXPECT_EQ(origin().x(), 1920 + 800 - 310);

    window = QRectF(1920, 0, 1598, 900); // two points short: an ordinary window
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(panel.lastPlacementRule(), Rule::Mouse);
}

TEST_F(BubblePlacementTest, AFocusedWindowPlacesOnTheScreenHoldingMostOfIt) {
    mouse.reset();
    window = QRectF(1500, 100, 800, 400); // 420 points on the left screen, 380 on the right
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(panel.lastPlacementRule(), Rule::FocusedWindow);
    EXPECT_EQ(origin().x(), 960 - 310);
    window = QRectF(1700, 100, 800, 400);
    panel.show(BubbleMode::Listening);
    EXPECT_EQ(origin().x(), 1920 + 800 - 310);
}

TEST_F(BubblePlacementTest, ACaretInTheBottomBandSendsTheCardToTheTop) {
    mouse = QPointF(100, 100);
    caret = QRectF(900, 1000, 2, 18); // below the panel's place, within 40 points
    panel.show(BubbleMode::Listening);
    EXPECT_TRUE(state.cardAtTop());
    EXPECT_EQ(origin(), QPoint(650, 26));

    caret = QRectF(900, 300, 2, 18);
    panel.show(BubbleMode::Listening);
    EXPECT_FALSE(state.cardAtTop());
    EXPECT_EQ(origin(), QPoint(650, 1050 - 30 - 320));
}

TEST_F(BubblePlacementTest, WithoutScreensTheBubbleGoesToTheOrigin) {
    screens.clear();
    mainScreen.reset();
    panel.show(BubbleMode::Flash);
    EXPECT_EQ(panel.lastPlacementRule(), Rule::MainScreen);
    EXPECT_EQ(origin(), QPoint(0, 0));
}

// ---- Keys ---------------------------------------------------------------------

TEST_F(BubblePanelTest, KeysAreWatchedFromTheFirstThinkingShowUntilHide) {
    panel.show(BubbleMode::Listening);
    EXPECT_FALSE(panel.isWatchingKeys());
    panel.show(BubbleMode::Thinking);
    panel.show(BubbleMode::Result);
    EXPECT_EQ(keys.watchStarts, 1);
    panel.show(BubbleMode::Listening);
    EXPECT_TRUE(panel.isWatchingKeys());

    defaults.set(QStringLiteral("holdEarlyReturn"), true);
    type(36); // Return while the newer take listens: still remembered
    EXPECT_TRUE(state.returnPressedWhileThinking());
    panel.hide();
    EXPECT_FALSE(panel.isWatchingKeys());
    EXPECT_TRUE(keys.watchers.isEmpty());
}

TEST_F(BubblePanelTest, ReturnWhileThinkingIsRememberedOnlyWhenHoldEarlyReturnIsOn) {
    panel.show(BubbleMode::Thinking);
    type(36);
    EXPECT_FALSE(state.returnPressedWhileThinking());
    defaults.set(QStringLiteral("holdEarlyReturn"), true);
    type(53); // Escape means nothing while thinking
    EXPECT_FALSE(state.returnPressedWhileThinking());
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Thinking);
    type(76); // the keypad's Enter
    EXPECT_TRUE(state.returnPressedWhileThinking());
}

TEST_F(BubblePanelTest, ANumberKeyTakesThatOptionOfTheFirstOfferAndANumberBeyondOnlyHides) {
    resultWithOffer({QStringLiteral("the"), QStringLiteral("tea")});
    EXPECT_FALSE(type(19)) << "the \"2\" must not reach the target";
    ASSERT_EQ(taker.taken.size(), 1);
    EXPECT_EQ(taker.taken.first(), qMakePair(QStringLiteral("teh"), QStringLiteral("tea")));
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);

    resultWithOffer({QStringLiteral("the"), QStringLiteral("tea")});
    EXPECT_TRUE(type(20)) << "no third option: the \"3\" is typing";
    EXPECT_EQ(taker.taken.size(), 1);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(BubblePanelTest, TheNumberKeysAreTakenOnlyWhileTheCardOffersThemInTheTarget) {
    panel.show(BubbleMode::Thinking);
    EXPECT_TRUE(keys.takenKeys().isEmpty());
    resultWithOffer({QStringLiteral("the"), QStringLiteral("tea")});
    EXPECT_EQ(panel.takenOptionKeys(), (QList<quint32>{18, 19}));
    EXPECT_EQ(keys.takenKeys(), (QList<quint32>{18, 19}));

    // Another application in front gets its digits; back in the target they are taken again.
    activate(QStringLiteral("Terminal"));
    EXPECT_TRUE(keys.takenKeys().isEmpty());
    EXPECT_TRUE(type(18));
    EXPECT_TRUE(taker.taken.isEmpty());
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result);
    activate(QStringLiteral("Editor"));
    EXPECT_EQ(keys.takenKeys(), (QList<quint32>{18, 19}));

    // A swap taken by a click clears the offers and gives the keys back.
    state.setWordSwaps({});
    EXPECT_TRUE(keys.takenKeys().isEmpty());
    resultWithOffer({QStringLiteral("the")});
    EXPECT_EQ(keys.takenKeys(), (QList<quint32>{18}));
    panel.hide();
    EXPECT_TRUE(keys.takenKeys().isEmpty());
    EXPECT_TRUE(keys.inputWatchers.isEmpty());
}

TEST_F(BubblePanelTest, ANumberKeyThatCannotBeTakenIsOrdinaryTyping) {
    // Another program holds the "1": it reaches the target, so no swap could
    // find the text any more.
    keys.takenElsewhere.insert({18, 0});
    resultWithOffer({QStringLiteral("the"), QStringLiteral("tea")});
    EXPECT_TRUE(panel.takenOptionKeys().isEmpty());
    EXPECT_TRUE(type(18));
    EXPECT_TRUE(taker.taken.isEmpty());
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(BubblePanelTest, KeysOfAnotherApplicationChangeNothing) {
    resultWithOffer({QStringLiteral("the")});
    frontmost = QStringLiteral("Terminal");
    type(18);
    type(0);
    EXPECT_TRUE(taker.taken.isEmpty());
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result);
}

TEST_F(BubblePanelTest, TheProgramsOwnKeystrokesLeaveTheCardUp) {
    resultWithOffer({QStringLiteral("the"), QStringLiteral("tea")});
    // A swap retypes the text: Backspaces and the paste chord, posted by us.
    keys.keyDown(51, 0, true);
    keys.keyDown(9, 0, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result);
    type(0);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(BubblePanelTest, KeysLeaveTheCardUpWhileACleanUpRuns) {
    state.setFinalText(QStringLiteral("done"));
    panel.show(BubbleMode::Result);
    state.setCleanupState(AppState::CleanupState::Cleaning);
    type(0);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result);
    state.setCleanupState(AppState::CleanupState::Done);
    type(0);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

TEST_F(BubblePanelTest, ASwapButtonOnTheCardGoesThroughTheSameTaker) {
    resultWithOffer({QStringLiteral("the"), QStringLiteral("tea")});
    const QList<SwapOptionButton*> buttons = panel.view()->findChildren<SwapOptionButton*>();
    ASSERT_EQ(buttons.size(), 2);
    buttons.last()->click();
    ASSERT_EQ(taker.taken.size(), 1);
    EXPECT_EQ(taker.taken.first().second, QStringLiteral("tea"));
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Result) << "a click changes the text, not the card";
}

TEST_F(BubblePanelTest, PastingTheLastDictationFlashesInTheBubble) {
    ScopedFakePlatform fakes;
    HistoryStore history(folder.path(), defaults);
    PasteLast::run(history, state, &panel);
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Flash);
    EXPECT_EQ(state.flashMessage(), QStringLiteral("Nothing dictated yet."));
    EXPECT_TRUE(panel.window()->isVisible());
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers.front().delay, 2200ms);
    fireTimers();
    EXPECT_EQ(state.bubbleMode(), BubbleMode::Hidden);
}

} // namespace
