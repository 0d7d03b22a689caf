// Spoken numbers beyond the corpus: the style setting, overflow and very long
// numbers. Their speed is measured in bench/CleanupBench.cpp.
#include "cleanup/CleanupEngine.h"
#include "support/Defaults.h"

#include <gtest/gtest.h>

namespace {

std::string s(const QString& text) { return text.toStdString(); }

TEST(SpokenNumbersTest, AbsentStyleReadsTheSetting) {
    Defaults& settings = Defaults::shared();
    settings.remove(QStringLiteral("numberStyle"));
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("twenty five percent of twenty five apples"))),
              "25% of twenty five apples");
    settings.set(QStringLiteral("numberStyle"), QStringLiteral("digits"));
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("twenty five apples"))), "25 apples");
    settings.set(QStringLiteral("numberStyle"), QStringLiteral("words"));
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("twenty five percent"))), "twenty five percent");
    settings.set(QStringLiteral("numberStyle"), QStringLiteral("fancy"));
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("twenty five percent"))), "25%");
    // An explicit style wins over the setting.
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("twenty five apples"), NumberStyle::Digits)),
              "25 apples");
    settings.remove(QStringLiteral("numberStyle"));
}

TEST(SpokenNumbersTest, BlanksAndPunctuationAroundNumbersSurvive) {
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("pay  twenty five   apples"), NumberStyle::Digits)),
              "pay  25   apples");
    EXPECT_EQ(s(CleanupEngine::joinSpelledDigits(QStringLiteral("dial  one two three  now"))), "dial  123  now");
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("\"forty two\""), NumberStyle::Digits)), "\"42\"");
}

TEST(SpokenNumbersTest, NumbersTooLargeForSixtyFourBitsKeepTheirWords) {
    const QString huge = QStringLiteral("one") + QStringLiteral(" hundred").repeated(10) + QStringLiteral(" apples");
    EXPECT_EQ(CleanupEngine::digitizeNumbers(huge, NumberStyle::Digits), huge);
    const QString percent =
        QStringLiteral("nine") + QStringLiteral(" hundred").repeated(12) + QStringLiteral(" percent");
    EXPECT_EQ(CleanupEngine::digitizeNumbers(percent, NumberStyle::Smart), percent);
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("nine hundred ninety nine trillion five"),
                                               NumberStyle::Digits)),
              "999000000000005");
    // The largest amount that fits is grouped; one digit more stays as written.
    EXPECT_EQ(s(CleanupEngine::formatSpokenMoney(QStringLiteral("9223372036854775807 dollars"))),
              "$9,223,372,036,854,775,807");
    EXPECT_EQ(s(CleanupEngine::formatSpokenMoney(QStringLiteral("92233720368547758070 dollars"))),
              "$92233720368547758070");
}

TEST(SpokenNumbersTest, AnUnbrokenRunOfSpelledDigitsBecomesOneLongNumber) {
    // Twenty thousand digits: far beyond 64 bits, and no arithmetic is done on them.
    const QString run = QStringLiteral("seven ").repeated(20000).trimmed();
    EXPECT_EQ(CleanupEngine::digitizeNumbers(run + QStringLiteral(" dollars"), NumberStyle::Digits),
              QLatin1Char('$') + QString(20000, QLatin1Char('7')));
}

} // namespace
