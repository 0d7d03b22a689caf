#include "dictation/BubbleView.h"
#include "dictation/BroomButton.h"
#include "dictation/GlassVariantPickerView.h"
#include "dictation/SwapOptionButton.h"
#include "dictation/VariantGlassBackground.h"
#include "dictation/WaveformView.h"
#include "dictation/WordSwapRow.h"
#include "looks/Paper.h"
#include "looks/PaperCard.h"
#include "looks/RuledSurface.h"
#include "looks/Surface.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

using Look = BubbleView::Look;
using Status = BubbleView::Status;
using Tone = BubbleView::Tone;
using Cleanup = AppState::CleanupState;

namespace {

class BubbleViewTest : public testing::Test {
protected:
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    AppState state;
};

TEST_F(BubbleViewTest, ThePillOnlyListensAndThinks) {
    BubbleView::Settings pill;
    pill.previewStyle = QStringLiteral("pill");
    EXPECT_EQ(BubbleView::look(pill, BubbleMode::Listening), Look::Pill);
    EXPECT_EQ(BubbleView::look(pill, BubbleMode::Thinking), Look::Pill);
    EXPECT_EQ(BubbleView::look(pill, BubbleMode::Result), Look::Card);
    EXPECT_EQ(BubbleView::look(pill, BubbleMode::Flash), Look::Card);
    pill.paperTheme = true;
    EXPECT_EQ(BubbleView::look(pill, BubbleMode::Result), Look::PaperCard);
    EXPECT_EQ(BubbleView::look(BubbleView::Settings{}, BubbleMode::Listening), Look::Card);
}

TEST_F(BubbleViewTest, StoredSettingsOfTheWrongTypeOrValueFallBack) {
    defaults.set(QStringLiteral("cardStyle"), QStringLiteral("Light"));
    defaults.set(QStringLiteral("paperTheme"), QStringLiteral("true"));
    BubbleView::Settings read = BubbleView::Settings::read(defaults);
    EXPECT_FALSE(read.light()) << "anything but \"light\" is dark";
    EXPECT_FALSE(read.paperTheme);
    defaults.set(QStringLiteral("cardStyle"), QStringLiteral("light"));
    EXPECT_TRUE(BubbleView::Settings::read(defaults).light());
}

TEST_F(BubbleViewTest, TheCardShowsTheTextOfTheMode) {
    state.setBubbleMode(BubbleMode::Listening);
    EXPECT_EQ(BubbleView::displayText(state), QStringLiteral("Listening..."));
    state.setBubbleMode(BubbleMode::Thinking);
    EXPECT_EQ(BubbleView::displayText(state), QStringLiteral("..."));
    state.setLiveText(QStringLiteral("so far"));
    EXPECT_EQ(BubbleView::displayText(state), QStringLiteral("so far"));
    state.setFinalText(QStringLiteral("final"));
    state.setFlashMessage(QStringLiteral("flashed"));
    state.setBubbleMode(BubbleMode::Result);
    EXPECT_EQ(BubbleView::displayText(state), QStringLiteral("final"));
    state.setBubbleMode(BubbleMode::Flash);
    EXPECT_EQ(BubbleView::displayText(state), QStringLiteral("flashed"));
    state.setBubbleMode(BubbleMode::Hidden);
    EXPECT_EQ(BubbleView::displayText(state), QStringLiteral("so far"));
}

TEST_F(BubbleViewTest, TheModeBadgeHidesWhereItWouldRepeatTheApplication) {
    EXPECT_FALSE(BubbleView::shouldShowModeBadge(QStringLiteral(" \t "), QStringLiteral("Mail"), true));
    EXPECT_FALSE(BubbleView::shouldShowModeBadge(QStringLiteral("Notes"), QStringLiteral("Editor"), false));
    EXPECT_TRUE(BubbleView::shouldShowModeBadge(QStringLiteral("Notes"), QStringLiteral("Editor"), true));
    EXPECT_FALSE(BubbleView::shouldShowModeBadge(QStringLiteral("Mail"), QStringLiteral(" mail\t"), false));
    EXPECT_FALSE(BubbleView::shouldShowModeBadge(QStringLiteral("Code"), QStringLiteral("Visual Studio Code"), false));
    EXPECT_TRUE(BubbleView::shouldShowModeBadge(QStringLiteral("Code"), QStringLiteral("Visual Studio Code"), true));
    EXPECT_TRUE(BubbleView::shouldShowModeBadge(QStringLiteral("Email"), QStringLiteral(""), false));
    // Only spaces and tabs are trimmed: a line break keeps the name apart.
    EXPECT_TRUE(BubbleView::shouldShowModeBadge(QStringLiteral("Notes\n"), QStringLiteral("Editor"), false));
}

TEST_F(BubbleViewTest, TheStatusWordFollowsTheModeAndTheCleanUp) {
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Listening, Cleanup::Done), (Status{"listening", Tone::Secondary}));
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Thinking, Cleanup::Idle), (Status{"polishing", Tone::Secondary}));
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Result, Cleanup::Idle), std::nullopt);
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Result, Cleanup::Cleaning),
              (Status{"cleaning up...", Tone::Secondary}));
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Result, Cleanup::Done), (Status{"cleaned up", Tone::Green}));
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Result, Cleanup::Copied),
              (Status{"cleaned, copied to clipboard", Tone::Orange}));
    EXPECT_EQ(BubbleView::statusLabel(BubbleMode::Flash, Cleanup::Cleaning), std::nullopt);
}

TEST_F(BubbleViewTest, TheCleanUpButtonRestsWhileCleaningAndAfterSuccess) {
    int presses = 0;
    BroomButton broom(state, [&] { ++presses; });
    EXPECT_TRUE(broom.isEnabled());
    broom.click();
    EXPECT_EQ(presses, 1);
    for (auto [cleanup, enabled] : {std::pair{Cleanup::Cleaning, false}, std::pair{Cleanup::Done, false},
                                    std::pair{Cleanup::Copied, true}, std::pair{Cleanup::Idle, true}}) {
        state.setCleanupState(cleanup);
        EXPECT_EQ(broom.isEnabled(), enabled);
    }
    state.setCleanupState(Cleanup::Cleaning);
    broom.click();
    EXPECT_EQ(presses, 1);
}

TEST_F(BubbleViewTest, WaveformBarsRiseWithTheLevelTallestInTheMiddle) {
    EXPECT_DOUBLE_EQ(WaveformView::barHeight(0, 4, 9), 5);
    EXPECT_DOUBLE_EQ(WaveformView::barHeight(1, 4, 9), 25);
    EXPECT_DOUBLE_EQ(WaveformView::barHeight(1, 0, 9), 12);
    EXPECT_DOUBLE_EQ(WaveformView::barHeight(1, 8, 9), 12);
    EXPECT_DOUBLE_EQ(WaveformView::barHeight(0.5, 2, 9), 0.5 * 20 * (0.5 * 0.65 + 0.35) + 5);
    EXPECT_DOUBLE_EQ(WaveformView::barHeight(1, 0, 1), 25) << "a single bar is the middle one";
}

TEST_F(BubbleViewTest, LongTextsKeepTheirLastSevenLines) {
    QStringList numbered;
    for (int i = 1; i <= 200; ++i)
        numbered << QStringLiteral("w%1").arg(i);
    const QString text = numbered.join(QLatin1Char(' '));
    const QStringList lines = BubbleView::shownLines(text, BubbleView::textFont(), 300, 7);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("\u2026"))) << lines.first().toStdString();
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("w200")));
    EXPECT_FALSE(lines.join(QLatin1Char(' ')).contains(QStringLiteral("w1 ")));

    const QStringList shortLines = BubbleView::shownLines(QStringLiteral("one\ntwo"), BubbleView::textFont(), 300, 7);
    EXPECT_EQ(shortLines, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
}

TEST_F(BubbleViewTest, TheSwapRowShowsTwoOffersAndThreeNumberedOptions) {
    QList<QPair<QString, QString>> taken;
    WordSwapRow row([&](const AppState::WordSwap& swap, const QString& option) { taken.append({swap.word, option}); });
    const auto offer = [](const QString& word, const QStringList& options) {
        return AppState::WordSwap{QUuid::createUuid(), word, options, 0, int(word.size())};
    };
    row.setSwaps({offer("teh", {"the", "tea", "ten", "toe", "tee"}), offer("recieve", {}), offer("thrid", {"third"})},
                 false);
    ASSERT_EQ(row.shownSwaps().size(), 2);
    EXPECT_EQ(row.shownSwaps().last().word, QStringLiteral("recieve"));
    ASSERT_EQ(row.buttons().size(), 3) << "the second offer has no options";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(row.buttons()[i]->number(), i + 1);
        EXPECT_EQ(row.buttons()[i]->toolTip(), row.buttons()[i]->word());
    }
    row.buttons()[2]->click();
    EXPECT_EQ(taken, (QList<QPair<QString, QString>>{{"teh", "ten"}}));

    row.setSwaps({}, false);
    EXPECT_TRUE(row.buttons().isEmpty());
    EXPECT_EQ(row.rowHeight(), 0);
}

TEST_F(BubbleViewTest, APaperCardWithoutSwapsAndAPillWithoutText) {
    defaults.set(QStringLiteral("paperTheme"), true);
    state.setWordSwaps({{QUuid::createUuid(), "teh", {"the"}, 0, 3}});
    state.setFinalText(QStringLiteral("teh cat"));
    state.setBubbleMode(BubbleMode::Result);
    BubbleView view(state, defaults, {});
    EXPECT_EQ(view.currentLook(), Look::PaperCard);
    EXPECT_FALSE(view.swapRow()->isVisibleTo(&view));
    EXPECT_TRUE(view.broom()->isVisibleTo(&view));
    EXPECT_EQ(view.lookRect().width(), 620);
    EXPECT_EQ(view.lookRect().bottom(), 320) << "at the bottom unless the card is at the top";
    state.setCardAtTop(true);
    EXPECT_EQ(view.lookRect().top(), 0);

    defaults.set(QStringLiteral("paperTheme"), false);
    defaults.set(QStringLiteral("previewStyle"), QStringLiteral("pill"));
    state.setBubbleMode(BubbleMode::Listening);
    EXPECT_EQ(view.currentLook(), Look::Pill);
    EXPECT_TRUE(view.lines().isEmpty());
    EXPECT_TRUE(view.waveform()->isVisibleTo(&view));
    EXPECT_FALSE(view.broom()->isVisibleTo(&view));
    EXPECT_DOUBLE_EQ(view.lookRect().center().x(), 310);
}

// ---- Paper and glass ------------------------------------------------------------

TEST_F(BubbleViewTest, AnUnknownShadeIsCreamAndAutomaticFollowsTheLook) {
    EXPECT_EQ(Paper::shade(defaults), Paper::Shade::Cream);
    defaults.set(QStringLiteral("paperShade"), QStringLiteral("Slate"));
    EXPECT_EQ(Paper::shade(defaults), Paper::Shade::Cream);
    defaults.set(QStringLiteral("paperShade"), QStringLiteral("slate"));
    EXPECT_EQ(Paper::shade(defaults), Paper::Shade::Slate);
    EXPECT_FALSE(Paper::isDark(Paper::Shade::Cream, true));
    EXPECT_TRUE(Paper::isDark(Paper::Shade::Automatic, true));
    EXPECT_FALSE(Paper::isDark(Paper::Shade::Automatic, false));
}

TEST_F(BubbleViewTest, APaperCardThatFollowsTheWindowIgnoresTheStoredShade) {
    EXPECT_FALSE(PaperCard::isDark(QStringLiteral("slate"), false, true));
    EXPECT_TRUE(PaperCard::isDark(QStringLiteral("cream"), true, true));
    EXPECT_TRUE(PaperCard::isDark(QStringLiteral("slate"), false, false));
    EXPECT_TRUE(PaperCard::isDark(QStringLiteral("automatic"), true, false));
    EXPECT_FALSE(PaperCard::isDark(QStringLiteral("automatic"), false, false));
    EXPECT_FALSE(PaperCard::isDark(QStringLiteral("midnight"), true, false));
}

TEST_F(BubbleViewTest, APaperSurfaceInksItsContentAndRestylesWhenTheShadeChanges) {
    QWidget lightWindow;
    auto* label = new QLabel(QStringLiteral("page"));
    auto* surface = new Surface(label, true, false, defaults, &lightWindow);
    EXPECT_FALSE(surface->isDark());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), Paper::cream().ink);
    defaults.set(QStringLiteral("paperShade"), QStringLiteral("slate"));
    EXPECT_TRUE(surface->isDark());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), Paper::slate().ink);
    EXPECT_EQ(surface->layout()->contentsMargins(), QMargins(46, 12, 14, 12));

    // Following the window, the light window wins over the stored slate.
    Surface following(new QLabel, true, true, defaults, &lightWindow);
    EXPECT_FALSE(following.isDark());
    Surface plain(new QLabel, false, false, defaults);
    EXPECT_EQ(plain.layout()->contentsMargins(), QMargins(14, 14, 14, 14));
}

TEST_F(BubbleViewTest, RulesLieBetweenTheEdgesNeverOnThem) {
    EXPECT_TRUE(RuledSurface::ruleOffsets(20, 26).isEmpty());
    EXPECT_EQ(RuledSurface::ruleOffsets(78, 26), (QList<qreal>{26, 52}));
    EXPECT_EQ(RuledSurface::ruleOffsets(79, 26), (QList<qreal>{26, 52, 78}));
    EXPECT_DOUBLE_EQ(RuledSurface::ruleFade(0), 0);
    EXPECT_DOUBLE_EQ(RuledSurface::ruleFade(0.5), 1);
    EXPECT_DOUBLE_EQ(RuledSurface::ruleFade(1), 0);
}

TEST_F(BubbleViewTest, TheGlassVariantIsAnIntegerOrEleven) {
    EXPECT_EQ(VariantGlassBackground::storedVariant(defaults), 11);
    defaults.set(QStringLiteral("glassVariant"), 3.5);
    EXPECT_EQ(VariantGlassBackground::storedVariant(defaults), 11);
    defaults.set(QStringLiteral("glassVariant"), 3);
    EXPECT_EQ(VariantGlassBackground::storedVariant(defaults), 3);
    EXPECT_FALSE(VariantGlassBackground::available());
}

TEST_F(BubbleViewTest, ThePickerOffersSeventeenSwatchesThreeToARow) {
    GlassVariantPickerView picker;
    QList<int> expected;
    for (int i = 0; i <= 15; ++i)
        expected << i;
    expected << 19;
    EXPECT_EQ(picker.variants(), expected);
    EXPECT_EQ(picker.swatchRect(3).left(), picker.swatchRect(0).left());
    // The last row holds 15 and 19.
    EXPECT_EQ(picker.swatchRect(16).top(), picker.swatchRect(15).top());
    EXPECT_EQ(picker.swatchRect(16).left(), picker.swatchRect(1).left());
    EXPECT_EQ(picker.swatchRect(15).top(), picker.swatchRect(0).top() + 5 * (58 + 12));
}

} // namespace
