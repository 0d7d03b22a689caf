#include "PickerFixture.h"
#include "reader/FlagChip.h"
#include "reader/VoiceCard.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

KokoroVoice voice(const char* id) { return KokoroVoice::named(QLatin1String(id)); }

TEST(VoicePickerTest, PressHearsThenChoosesAndAThirdCardPlaysInstead) {
    PickerFixture fixture;
    auto picker = fixture.make();
    picker->setLanguage(QStringLiteral("b"));

    picker->choose(voice("bf_emma"));
    EXPECT_EQ(fixture.audition.playing(), QStringLiteral("bf_emma"));
    EXPECT_EQ(fixture.voiceWrites, 0) << "hearing is not choosing";
    EXPECT_EQ(picker->cards()[0]->isPlaying(), true);
    EXPECT_EQ(picker->cards()[0]->subtitle(), QStringLiteral("playing\u2026"));

    picker->choose(voice("bf_emma"));
    EXPECT_EQ(fixture.stored(), QStringLiteral("bf_emma"));
    EXPECT_EQ(fixture.voiceWrites, 1);
    EXPECT_EQ(fixture.speech.readings.size(), 1u) << "choosing plays nothing more";
    EXPECT_TRUE(picker->cards()[0]->isChosen());

    picker->choose(voice("bf_isabella"));
    EXPECT_EQ(fixture.audition.playing(), QStringLiteral("bf_isabella"));
    EXPECT_EQ(fixture.stored(), QStringLiteral("bf_emma"));
    EXPECT_EQ(fixture.voiceWrites, 1);
}

TEST(VoicePickerTest, TheChosenVoiceWhileQuietIsHeardAgain) {
    PickerFixture fixture(QStringLiteral("am_adam"));
    auto picker = fixture.make();
    picker->choose(voice("am_adam"));
    ASSERT_EQ(fixture.speech.readings.size(), 1u);
    EXPECT_EQ(fixture.speech.readings[0].voice, QStringLiteral("am_adam"));
    EXPECT_EQ(fixture.voiceWrites, 0);
    EXPECT_EQ(picker->cards()[7]->accessibleHint(), QStringLiteral("Press to hear this voice again"));
    fixture.speech.finish(0);
    EXPECT_FALSE(picker->cards()[7]->isPlaying());
}

TEST(VoicePickerTest, OnlyChoosingWritesTheVoice) {
    PickerFixture fixture(QStringLiteral("zz_gone"));
    auto picker = fixture.make();
    EXPECT_EQ(picker->language(), QStringLiteral("a")) << "an unknown stored id shows American";
    EXPECT_EQ(picker->headline(), QStringLiteral("9 American voices"));
    EXPECT_TRUE(picker->cards()[0]->isChosen()) << "with af_heart as reference";
    for (MoveDirection direction : {MoveDirection::Right, MoveDirection::Right, MoveDirection::Left})
        picker->moveFlags(direction);
    picker->setFocusStop(VoiceFocus::Voices);
    picker->moveVoices(MoveDirection::Down);
    picker->setFocusStop(std::nullopt);
    picker->activateVoice();
    EXPECT_EQ(fixture.voiceWrites, 0);
    EXPECT_EQ(fixture.stored(), QStringLiteral("zz_gone"));
}

TEST(VoicePickerTest, FlagCursorStopsAtTheEndsAndTheLanguageFollowsIt) {
    PickerFixture fixture;
    auto picker = fixture.make();
    picker->setFocusStop(VoiceFocus::Flags);
    picker->moveFlags(MoveDirection::Left);
    EXPECT_EQ(picker->flagCursor(), 0);
    picker->moveFlags(MoveDirection::Up);
    picker->moveFlags(MoveDirection::Down);
    EXPECT_EQ(picker->flagCursor(), 0);
    EXPECT_EQ(picker->language(), QStringLiteral("a"));
    for (int i = 0; i < 8; ++i)
        picker->moveFlags(MoveDirection::Right);
    EXPECT_EQ(picker->flagCursor(), 5);
    EXPECT_EQ(picker->language(), QStringLiteral("p"));
    EXPECT_TRUE(picker->chips()[5]->isCursor());
    EXPECT_TRUE(picker->chips()[5]->isActive());
    EXPECT_TRUE(picker->chips()[0]->holdsChoice()) << "the dot stays with the stored voice's language";
    EXPECT_EQ(picker->cards().size(), 2);
}

TEST(VoicePickerTest, VoiceCursorStepsByTheCardsOfARow) {
    PickerFixture fixture;
    auto picker = fixture.make();
    picker->setFocusStop(VoiceFocus::Voices);
    EXPECT_EQ(picker->cardsPerRow(), 1) << "before the grid is measured";
    picker->moveVoices(MoveDirection::Down);
    EXPECT_EQ(picker->voiceCursor(), 1);
    picker->moveVoices(MoveDirection::Up);
    picker->moveVoices(MoveDirection::Up);
    EXPECT_EQ(picker->voiceCursor(), 0);

    picker->setGridWidth(430);
    EXPECT_EQ(picker->cardsPerRow(), 3);
    picker->setGridWidth(10);
    EXPECT_EQ(picker->cardsPerRow(), 1);
    picker->setGridWidth(430);
    picker->moveVoices(MoveDirection::Down);
    EXPECT_EQ(picker->voiceCursor(), 3);
    picker->moveVoices(MoveDirection::Right);
    picker->moveVoices(MoveDirection::Down);
    EXPECT_EQ(picker->voiceCursor(), 7);
    picker->moveVoices(MoveDirection::Down);
    EXPECT_EQ(picker->voiceCursor(), 8) << "the last row stops at the last card";
    picker->moveVoices(MoveDirection::Right);
    EXPECT_EQ(picker->voiceCursor(), 8);
    EXPECT_TRUE(picker->cards()[8]->isCursor());

    picker->setLanguage(QStringLiteral("f"));
    EXPECT_EQ(picker->voiceCursor(), 0) << "a language change resets the cursor";
    picker->moveVoices(MoveDirection::Down);
    EXPECT_EQ(picker->voiceCursor(), 0);
}

TEST(VoicePickerTest, EnteringTheGridPutsTheCursorOnTheStoredVoice) {
    PickerFixture fixture(QStringLiteral("am_adam"));
    auto picker = fixture.make();
    picker->setFocusStop(VoiceFocus::Voices);
    EXPECT_EQ(picker->voiceCursor(), 7);
    EXPECT_EQ(picker->cursorVoiceAnnouncement(), QStringLiteral("Cedar, American, deep, your reading voice"));
    picker->setFocusStop(VoiceFocus::Flags);
    picker->moveFlags(MoveDirection::Right);
    picker->setFocusStop(VoiceFocus::Voices);
    EXPECT_EQ(picker->voiceCursor(), 0) << "the stored voice is not British";
    EXPECT_EQ(picker->cursorVoiceAnnouncement(), QStringLiteral("Ivy, British"));
    EXPECT_EQ(fixture.focusLines, (QStringList{"focus -> voices", "focus -> flags", "focus -> voices"}));
}

TEST(VoicePickerTest, HeadlineNamesTheDefaultOfAnotherLanguage) {
    PickerFixture fixture;
    auto picker = fixture.make();
    EXPECT_EQ(picker->headline(), QStringLiteral("9 American voices"));
    picker->setLanguage(QStringLiteral("b"));
    EXPECT_EQ(picker->headline(), QStringLiteral("4 British voices  \u00b7  your default is Wren"));

    PickerFixture british(QStringLiteral("bf_emma"));
    auto other = british.make();
    EXPECT_EQ(other->language(), QStringLiteral("b"));
    other->setLanguage(QStringLiteral("f"));
    EXPECT_EQ(other->headline(), QStringLiteral("1 French voice  \u00b7  your default is Ivy"));
    other->setLanguage(QStringLiteral("e"));
    EXPECT_EQ(other->caption(),
              QStringLiteral("3 Spanish voices  \u00b7  your default is Ivy  \u00b7  spoken in 21 countries"));
    EXPECT_EQ(other->captionLabel()->text(), other->caption());
}

TEST(VoicePickerTest, ChoosingAnotherLanguageMovesTheDotAndDropsTheDefaultPart) {
    PickerFixture fixture;
    auto picker = fixture.make();
    picker->setLanguage(QStringLiteral("i"));
    picker->choose(voice("im_nicola"));
    picker->choose(voice("im_nicola"));
    EXPECT_EQ(picker->headline(), QStringLiteral("2 Italian voices"));
    EXPECT_TRUE(picker->chips()[4]->holdsChoice());
    EXPECT_FALSE(picker->chips()[0]->holdsChoice());
}

TEST(VoicePickerTest, ChipHoverOpensOnlyAfterARestAndTheTokenVoidsOlderSteps) {
    PickerFixture fixture;
    auto picker = fixture.make();
    FlagChip* spanish = picker->chips()[2];
    FlagChip* french = picker->chips()[3];

    spanish->setHovering(true);
    fixture.timers.advance(std::chrono::milliseconds(300));
    spanish->setHovering(false);
    fixture.timers.advance(std::chrono::seconds(1));
    EXPECT_EQ(picker->magnifiedID(), std::nullopt) << "a quick pass opens nothing";

    french->setHovering(true);
    fixture.timers.advance(std::chrono::seconds(1));
    EXPECT_EQ(picker->magnifiedID(), std::nullopt) << "only a mosaic chip opens";

    spanish->setHovering(true);
    fixture.timers.advance(FlagChip::kOpenDelay);
    EXPECT_EQ(picker->magnifiedID(), QStringLiteral("e"));
    EXPECT_TRUE(spanish->magnified());
    ASSERT_NE(picker->magnifierPopup(), nullptr);
    EXPECT_TRUE(picker->magnifierPopup()->windowFlags().testFlag(Qt::Popup));

    spanish->setHovering(false);
    fixture.timers.advance(std::chrono::milliseconds(200));
    fixture.hover.setInside(true);
    fixture.timers.advance(std::chrono::seconds(1));
    EXPECT_EQ(picker->magnifiedID(), QStringLiteral("e")) << "moving into the popover keeps it open";

    spanish->setHovering(true);
    spanish->setHovering(false);
    fixture.hover.setInside(false);
    fixture.timers.advance(FlagChip::kCloseDelay - std::chrono::milliseconds(1));
    EXPECT_EQ(picker->magnifiedID(), QStringLiteral("e"));
    fixture.timers.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(picker->magnifiedID(), std::nullopt) << "closed 0.45 s after the chip was left";
    EXPECT_EQ(picker->magnifierPopup(), nullptr);
}

} // namespace
