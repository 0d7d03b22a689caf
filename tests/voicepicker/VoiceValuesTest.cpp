#include "reader/KokoroVoice.h"
#include "reader/VoiceCard.h"
#include "reader/VoiceLanguage.h"

#include <gtest/gtest.h>

namespace {

TEST(VoiceLanguageTest, EveryVoiceSitsUnderItsLanguageAndFlagsAreWholeEmoji) {
    for (const VoiceLanguage& language : VoiceLanguage::all()) {
        EXPECT_EQ(language.mosaic, language.flags.isEmpty()) << language.label.toStdString();
        for (const QString& flag : language.flags)
            EXPECT_EQ(flag.toUtf8().size(), 8) << language.label.toStdString();
        for (const KokoroVoice& voice : language.voices)
            EXPECT_TRUE(voice.id.startsWith(language.id)) << voice.id.toStdString();
    }
}

TEST(VoiceLanguageTest, ContainingMatchesByPrefixAndFallsBackToAmerican) {
    EXPECT_EQ(VoiceLanguage::containing(QStringLiteral("pf_dora")).label, QStringLiteral("Portuguese"));
    EXPECT_EQ(VoiceLanguage::containing(QStringLiteral("bm_lewis")).id, QStringLiteral("b"));
    EXPECT_EQ(VoiceLanguage::containing(QStringLiteral("jf_alpha")).id, QStringLiteral("a"));
    EXPECT_EQ(VoiceLanguage::containing(QString()).id, QStringLiteral("a"));
    VoiceLanguage unknown;
    unknown.id = QStringLiteral("j");
    EXPECT_EQ(unknown.code(), QStringLiteral("J")) << "an id outside the table is its own upper case";
}

TEST(VoiceLanguageTest, ShortFlavorDropsLanguagesAndDefaultMark) {
    EXPECT_EQ(KokoroVoice::named(QStringLiteral("af_heart")).shortFlavor(), QStringLiteral("warm"));
    EXPECT_EQ(KokoroVoice::named(QStringLiteral("bf_emma")).shortFlavor(), QString());
    EXPECT_EQ((KokoroVoice{"x", "X", "American (default)"}.shortFlavor()), QString());
    EXPECT_EQ((KokoroVoice{"x", "X", ", Spanish, lively,"}.shortFlavor()), QStringLiteral("lively"));
    EXPECT_EQ((KokoroVoice{"x", "X", "British, crisp and, dry"}.shortFlavor()), QStringLiteral("crisp and, dry"))
        << "only the ends are trimmed";
}

TEST(VoiceLanguageTest, GlyphFollowsTheVoiceName) {
    const struct {
        const char* id;
        const char* glyph;
    } rows[] = {
        {"af_heart", "bird.fill"},
        {"am_adam", "tree.fill"},
        {"bm_george", "leaf.fill"},
        {"pm_alex", "person.wave.2.fill"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(KokoroVoice::named(QLatin1String(row.id)).glyph(), QLatin1String(row.glyph)) << row.id;
}

TEST(VoiceCardTest, SubtitlePrefersPlayingThenChosenThenFlavor) {
    const KokoroVoice wren = KokoroVoice::named(QStringLiteral("af_heart"));
    const KokoroVoice ivy = KokoroVoice::named(QStringLiteral("bf_emma"));
    EXPECT_EQ(VoiceCard::subtitle(wren, true, true), QStringLiteral("playing\u2026"));
    EXPECT_EQ(VoiceCard::subtitle(wren, true, false), QStringLiteral("your voice"));
    EXPECT_EQ(VoiceCard::subtitle(wren, false, false), QStringLiteral("warm"));
    EXPECT_EQ(VoiceCard::subtitle(ivy, false, false), QStringLiteral("click to hear"));
    EXPECT_EQ(VoiceCard::subtitle(KokoroVoice{"af_x", "X", "American (default)"}, false, false),
              QStringLiteral("default"));
}

TEST(VoiceCardTest, FigureAndTextsFollowTheVoiceAndItsState) {
    EXPECT_EQ(VoiceCard::figure(KokoroVoice::named(QStringLiteral("ef_dora"))), QStringLiteral("figure.stand.dress"));
    EXPECT_EQ(VoiceCard::figureTag(KokoroVoice::named(QStringLiteral("ef_dora"))), QStringLiteral("Female"));
    EXPECT_EQ(VoiceCard::figure(KokoroVoice::named(QStringLiteral("em_alex"))), QStringLiteral("figure.stand"));
    EXPECT_EQ(VoiceCard::figureTag(KokoroVoice{"a", "A", ""}), QStringLiteral("Male")) << "no second letter";

    VoiceCard card(KokoroVoice::named(QStringLiteral("af_bella")));
    EXPECT_EQ(card.accessibleLabel(), QStringLiteral("Lark, American, bright")) << "the full flavor";
    EXPECT_EQ(card.helpTag(), QStringLiteral("Click to hear Lark"));
    EXPECT_EQ(card.accessibleHint(), QStringLiteral("Press to hear this voice, then press again to choose it"));
    EXPECT_EQ(card.accessibleValue(), QString());
    EXPECT_FALSE(card.isPulsing());
    card.setPlaying(true);
    EXPECT_EQ(card.accessibleValue(), QStringLiteral("playing"));
    EXPECT_EQ(card.accessibleHint(), QStringLiteral("Press again to make this your reading voice"));
    EXPECT_TRUE(card.isPulsing());
    card.setChosen(true);
    card.setPlaying(false);
    EXPECT_FALSE(card.isPulsing());
    EXPECT_EQ(card.helpTag(), QStringLiteral("Your reading voice"));
    EXPECT_EQ(card.toolTip(), QStringLiteral("Your reading voice"));
    EXPECT_EQ(card.accessibleHint(), QStringLiteral("Press to hear this voice again"));
}

} // namespace
