#include "FakeSpeech.h"
#include "reader/VoiceAudition.h"

#include <gtest/gtest.h>

namespace {

const KokoroVoice kWren = KokoroVoice::named(QStringLiteral("af_heart"));
const KokoroVoice kIvy = KokoroVoice::named(QStringLiteral("bf_emma"));

TEST(VoiceAuditionTest, SampleIsChosenByTheIdsFirstLetter) {
    EXPECT_EQ(VoiceAudition::sample(kWren), QStringLiteral("Hi, I'm Wren. This is how I sound when I read to you."));
    EXPECT_EQ(VoiceAudition::sample(KokoroVoice::named(QStringLiteral("ef_dora"))),
              QStringLiteral("Hola, soy Paloma. Así sueno cuando leo en voz alta."));
    EXPECT_EQ(VoiceAudition::sample(KokoroVoice::named(QStringLiteral("ff_siwis"))),
              QStringLiteral("Bonjour, je suis Colette. Voici ma voix."));
    EXPECT_EQ(VoiceAudition::sample(KokoroVoice::named(QStringLiteral("im_nicola"))),
              QStringLiteral("Ciao, sono Enzo. Ecco come suono."));
    EXPECT_EQ(VoiceAudition::sample(KokoroVoice::named(QStringLiteral("pm_alex"))),
              QStringLiteral("Olá, eu sou Tiago. É assim que eu soo."));
    EXPECT_EQ(VoiceAudition::sample(KokoroVoice{"jf_x", "Mio", ""}),
              QStringLiteral("Hi, I'm Mio. This is how I sound when I read to you."));
}

TEST(VoiceAuditionTest, PlayMarksAtOnceForcesTheVoiceAndClearsAtTheEnd) {
    FakeSpeech speech;
    VoiceAudition audition(speech.speak());
    audition.play(kIvy);
    EXPECT_EQ(audition.playing(), QStringLiteral("bf_emma"));
    ASSERT_EQ(speech.readings.size(), 1u);
    EXPECT_EQ(speech.readings[0].voice, QStringLiteral("bf_emma"));
    EXPECT_EQ(speech.readings[0].text, VoiceAudition::sample(kIvy));
    FakeSpeech::settle();
    EXPECT_EQ(audition.playing(), QStringLiteral("bf_emma")) << "still reading";
    speech.finish(0);
    EXPECT_EQ(audition.playing(), std::nullopt);
}

TEST(VoiceAuditionTest, AnOlderSampleNeverClearsANewerMark) {
    FakeSpeech speech;
    VoiceAudition audition(speech.speak());
    audition.play(kWren);
    audition.play(kIvy);
    speech.finish(0);
    EXPECT_EQ(audition.playing(), QStringLiteral("bf_emma")) << "A's end leaves B";
    speech.finish(1);
    EXPECT_EQ(audition.playing(), std::nullopt);
}

TEST(VoiceAuditionTest, TheSameVoiceTwiceKeepsItsMarkUntilTheSecondEnds) {
    FakeSpeech speech;
    VoiceAudition audition(speech.speak());
    audition.play(kIvy);
    audition.play(kIvy);
    speech.finish(0);
    EXPECT_EQ(audition.playing(), QStringLiteral("bf_emma")) << "the first sample's end is not the second's";
    speech.finish(1);
    EXPECT_EQ(audition.playing(), std::nullopt);
}

} // namespace
