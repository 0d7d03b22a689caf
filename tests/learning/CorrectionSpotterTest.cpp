#include "learning/CorrectionSpotter.h"
#include "learning/CorrectionLedger.h"

#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct SpotCase {
    const char* dictated;
    const char* edited;
    std::optional<CorrectionCandidate> expected;
};

TEST(CorrectionSpotterTest, EditsOfOneSmallRunOfWordsAreCandidates) {
    const SpotCase cases[] = {
        {"please call jackson today", "please call Jaxon today", CorrectionCandidate{"jackson", "Jaxon", false}},
        {"I will recieve it", "I will receive it", CorrectionCandidate{"recieve", "receive", true}},
        {"teh end", "the end", CorrectionCandidate{"teh", "the", false}},
        {"see (jackson)", "see (Jaxon)", CorrectionCandidate{"jackson", "Jaxon", false}},
        {"fly to new ark soon", "fly to Newark soon", CorrectionCandidate{"new ark", "Newark", true}},
        {"call jaxon", "call Jaxon", CorrectionCandidate{"jaxon", "Jaxon", true}},
        {"ÉCOLE du soir", "école du soir", CorrectionCandidate{"ÉCOLE", "école", true}},
        {"then we left", "Then we left", std::nullopt},
        {"we left. \"then we ate", "we left. \"Then we ate", std::nullopt},
        {"done?\nyes then", "done?\nYes then", std::nullopt},
        {"jaxon called", "JAXON called", CorrectionCandidate{"jaxon", "JAXON", true}},
        {"iphone sales", "iPhone sales", CorrectionCandidate{"iphone", "iPhone", true}},
        {"ask\tzoë\nnow", "ask  Zoey\nnow", CorrectionCandidate{"zoë", "Zoey", false}},
        {"call me", "call me later", std::nullopt},
        {"one two three four five", "six seven eight nine ten", std::nullopt},
        {"meet at 5pm", "meet at 6pm", std::nullopt},
        {"call Bo", "call Bob", std::nullopt},
        {"it's fine", "its fine", std::nullopt},
        {"a well-known fact", "a famous fact", std::nullopt},
        {"same text", "same text", std::nullopt},
        {"same text.", "same text!", std::nullopt},
        {"", "text", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CorrectionSpotter::candidate(QString::fromUtf8(c.dictated), QString::fromUtf8(c.edited)), c.expected)
            << c.dictated << " -> " << c.edited;
    }
}

TEST(CorrectionSpotterTest, NearAllowsAThirdOfTheLongerWordInFloatingPoint) {
    EXPECT_TRUE(CorrectionSpotter::looksLikeTheSameWord("abcdefg", "abcdeXY")); // 2 <= 7/3
    EXPECT_TRUE(CorrectionSpotter::looksLikeTheSameWord("abcdef", "abcdXY"));   // 2 <= 6/3
    EXPECT_FALSE(CorrectionSpotter::looksLikeTheSameWord("abcde", "abcXY"));    // 2 > 5/3
    EXPECT_TRUE(CorrectionSpotter::looksLikeTheSameWord("abc", "abX"));         // 1 <= 3/3
    EXPECT_TRUE(CorrectionSpotter::looksLikeTheSameWord("ÉCOLE", "école"));
}

class CorrectionLedgerTest : public testing::Test {
protected:
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    CorrectionLedger ledger{defaults};
    const CorrectionCandidate far{"jackson", "Jaxon", false};
    const CorrectionCandidate near{"recieve", "receive", true};
};

TEST_F(CorrectionLedgerTest, NearPairsAreAskedAtOnceOthersAtTheSecondSightingAndNeverAgain) {
    EXPECT_TRUE(ledger.record(near));
    EXPECT_FALSE(ledger.record(near));

    EXPECT_FALSE(ledger.record(far));
    EXPECT_FALSE(ledger.record({"jackson", "JAXON", false})) << "capitals make another pair";
    EXPECT_TRUE(ledger.record(far));
    EXPECT_FALSE(ledger.record(far));

    const QVariantMap seen = defaults.map(CorrectionLedger::kSeenKey);
    EXPECT_EQ(seen.value(QStringLiteral("jackson\x1FJaxon")).toLongLong(), 2);
    EXPECT_EQ(seen.value(QStringLiteral("recieve\x1Freceive")).toLongLong(), 1);
    EXPECT_EQ(defaults.stringList(CorrectionLedger::kDoneKey), (QStringList{"recieve\x1Freceive", "jackson\x1FJaxon"}));
}

TEST_F(CorrectionLedgerTest, ADeclinedPairIsNeverAsked) {
    ledger.decline(near);
    ledger.decline(near);
    EXPECT_EQ(defaults.stringList(CorrectionLedger::kDoneKey), QStringList{"recieve\x1Freceive"});
    EXPECT_FALSE(ledger.record(near));
    EXPECT_FALSE(defaults.contains(CorrectionLedger::kSeenKey));
}

TEST_F(CorrectionLedgerTest, ACountThatIsNotAnIntegerEmptiesTheCounts) {
    const QVariantList bad = {QVariant(1.5), QVariant(QStringLiteral("1")), QVariant(true)};
    for (const QVariant& value : bad) {
        defaults.set(CorrectionLedger::kSeenKey,
                     QVariantMap{{QStringLiteral("jackson\x1FJaxon"), 1}, {QStringLiteral("x\x1Fy"), value}});
        EXPECT_FALSE(ledger.record(far)) << value.toString().toStdString();
        const QVariantMap seen = defaults.map(CorrectionLedger::kSeenKey);
        EXPECT_EQ(seen.keys(), QStringList{"jackson\x1FJaxon"});
        EXPECT_EQ(seen.value(QStringLiteral("jackson\x1FJaxon")).toLongLong(), 1);
    }
    defaults.set(CorrectionLedger::kSeenKey, QStringLiteral("not a map"));
    EXPECT_FALSE(ledger.record(far));
}

TEST_F(CorrectionLedgerTest, ASettledListThatIsNotTextsReadsEmpty) {
    defaults.set(CorrectionLedger::kDoneKey, QVariantList{QStringLiteral("recieve\x1Freceive"), 3});
    EXPECT_TRUE(ledger.record(near));
    EXPECT_EQ(defaults.stringList(CorrectionLedger::kDoneKey), QStringList{"recieve\x1Freceive"});
}

} // namespace
