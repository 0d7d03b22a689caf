#include "learning/WordCandidates.h"

#include <gtest/gtest.h>

namespace {

struct FoldCase {
    const char* word;
    const char* skeleton;
};

TEST(WordCandidatesTest, FoldKeepsTheSoundSkeleton) {
    const FoldCase cases[] = {
        {"Quick", "c"},         {"Phone", "phn"},     {"Sarah!", "srh"}, {"Jagger", "cr"},
        {"Frederick", "vrdrc"}, {"Fredrik", "vrdrc"}, {"eye", ""},       {"kaka", "c"},
        {"cake", "c"},          {"(Zoë)", "së"},      {"Wolf", "vlv"},   {"R2-D2", "r2-d2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordCandidates::fold(QString::fromUtf8(c.word)), QString::fromUtf8(c.skeleton)) << c.word;
}

struct SimilarityCase {
    const char* a;
    const char* b;
    double score;
};

TEST(WordCandidatesTest, SimilarityIsOneLessTheShareOfEdits) {
    const SimilarityCase cases[] = {
        {"Jenna", "Gina", 1.0},     {"Kristen", "Christen", 5.0 / 6.0},
        {"Stephen", "Steven", 0.6}, {"Katie", "Cady", 0.5},
        {"eye", "eye", 0.0},        {"Bob", "", 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(WordCandidates::similarity(c.a, c.b), c.score) << c.a << " / " << c.b;
        EXPECT_DOUBLE_EQ(WordCandidates::similarity(c.b, c.a), c.score) << c.b << " / " << c.a;
    }
}

TEST(WordCandidatesTest, CandidatesPassAtTheThresholdAndNotBelow) {
    EXPECT_EQ(WordCandidates::candidates("Stephen", {"Steven"}, 0.6, 3), QStringList{"Steven"});
    EXPECT_TRUE(WordCandidates::candidates("Katie", {"Cady"}, 0.6, 3).isEmpty());
}

TEST(WordCandidatesTest, OneCharacterWordsHaveNoCandidates) {
    EXPECT_TRUE(WordCandidates::candidates("a,", {"ah", "A"}, 0.0, 3).isEmpty());
    EXPECT_TRUE(WordCandidates::candidates("I", {"Ai"}, 0.0, 3).isEmpty());
}

TEST(WordCandidatesTest, AWordAlreadyListedApartFromCaseStopsTheSearch) {
    EXPECT_TRUE(WordCandidates::candidates("gina", {"Jenna", "Gina", "Jean"}, 0.6, 3).isEmpty());
}

TEST(WordCandidatesTest, BestScoresComeFirstTiesInTextOrderAndOnlyTheLimit) {
    // All four fold to "cn"; "Jane" sorts before "Jenna" before "Jina" before "Kenny".
    EXPECT_EQ(WordCandidates::candidates("Gina", {"Kenny", "Jina", "Jenna", "Jane"}, 0.6, 3),
              (QStringList{"Jane", "Jenna", "Jina"}));
    // Upper-case letters sort before lower-case ones.
    EXPECT_EQ(WordCandidates::candidates("gone", {"gin", "Gen"}, 0.6, 3), (QStringList{"Gen", "gin"}));
    // A perfect match beats a near one whatever its text.
    EXPECT_EQ(WordCandidates::candidates("Stefan", {"Stephan", "Zteven"}, 0.6, 3).first(), "Zteven");
}

TEST(WordCandidatesTest, EntriesAreComparedTrimmedButOfferedAsWritten) {
    EXPECT_EQ(WordCandidates::candidates("Gina", {"\"Jenna\"", "(..)"}, 0.6, 3), QStringList{"\"Jenna\""});
    EXPECT_TRUE(WordCandidates::candidates("Jenna!", {"'jenna'"}, 0.6, 3).isEmpty());
}

TEST(WordCandidatesTest, ScanFindsWordsInTextOrderWithTheirPlaces) {
    const QString text = QStringLiteral("Ask Gina, with 😀 Steven and me.");
    const auto hits = WordCandidates::scan(text, {"Jenna", "Stephen"}, 0.6);
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].word, "Gina");
    EXPECT_EQ(text.mid(hits[0].location, hits[0].length), "Gina");
    EXPECT_EQ(hits[0].options, QStringList{"Jenna"});
    EXPECT_EQ(hits[1].word, "Steven");
    EXPECT_EQ(text.mid(hits[1].location, hits[1].length), "Steven");
    EXPECT_TRUE(WordCandidates::scan(text, {}, 0.6).isEmpty());
    EXPECT_TRUE(WordCandidates::scan(QString(), {"Jenna"}, 0.6).isEmpty());
}

} // namespace
