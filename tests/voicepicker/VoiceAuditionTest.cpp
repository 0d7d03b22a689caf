#include "reader/VoiceAudition.h"
#include "FakeSpeech.h"

#include <gtest/gtest.h>

namespace {

const KokoroVoice kWren = KokoroVoice::named(QStringLiteral("af_heart"));
const KokoroVoice kIvy = KokoroVoice::named(QStringLiteral("bf_emma"));

TEST(VoiceAuditionTest, SampleIsChosenByTheIdsFirstLetter) {
    EXPECT_EQ(VoiceAudition::sample(kWren), QStringLiteral("Hi, I'm Wren. This is how I sound when I read to you."));
    EXPECT_EQ(VoiceAudition::sample(KokoroVoice::named(QStringLiteral("ef_dora"))),
              QStringLiteral("Hola, soy Paloma. Así sueno cuando leo en voz alta."));
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

TEST(VoiceAuditionTest, AnOlderSampleNeverClearsANewerMarkEvenOfTheSameVoice) {
    for (const KokoroVoice& first : {kWren, kIvy}) {
        FakeSpeech speech;
        VoiceAudition audition(speech.speak());
        audition.play(first);
        audition.play(kIvy);
        speech.finish(0);
        EXPECT_EQ(audition.playing(), QStringLiteral("bf_emma")) << first.id.toStdString();
        speech.finish(1);
        EXPECT_EQ(audition.playing(), std::nullopt);
    }
}

} // namespace
