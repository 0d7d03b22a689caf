// Spoken numbers beyond the corpus: the style setting, overflow and very long
// transcripts.
#include "cleanup/CleanupEngine.h"
#include "support/Defaults.h"

#include <QElapsedTimer>

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
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("twenty five apples"), QStringLiteral("digits"))),
              "25 apples");
    settings.remove(QStringLiteral("numberStyle"));
}

TEST(SpokenNumbersTest, BlanksAndPunctuationAroundNumbersSurvive) {
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("pay  twenty five   apples"), QStringLiteral("digits"))),
              "pay  25   apples");
    EXPECT_EQ(s(CleanupEngine::joinSpelledDigits(QStringLiteral("dial  one two three  now"))), "dial  123  now");
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("\"forty two\""), QStringLiteral("digits"))), "\"42\"");
}

TEST(SpokenNumbersTest, NumbersTooLargeForSixtyFourBitsKeepTheirWords) {
    const QString huge = QStringLiteral("one") + QStringLiteral(" hundred").repeated(10) + QStringLiteral(" apples");
    EXPECT_EQ(CleanupEngine::digitizeNumbers(huge, QStringLiteral("digits")), huge);
    const QString percent = QStringLiteral("nine") + QStringLiteral(" hundred").repeated(12) + QStringLiteral(" percent");
    EXPECT_EQ(CleanupEngine::digitizeNumbers(percent, QStringLiteral("smart")), percent);
    EXPECT_EQ(s(CleanupEngine::digitizeNumbers(QStringLiteral("nine hundred ninety nine trillion five"),
                                                QStringLiteral("digits"))),
              "999000000000005");
    // The largest amount that fits is grouped; one digit more stays as written.
    EXPECT_EQ(s(CleanupEngine::formatSpokenMoney(QStringLiteral("9223372036854775807 dollars"))),
              "$9,223,372,036,854,775,807");
    EXPECT_EQ(s(CleanupEngine::formatSpokenMoney(QStringLiteral("92233720368547758070 dollars"))),
              "$92233720368547758070");
}

TEST(SpokenNumbersTest, A100000CharacterTranscriptOfNumberWordsFinishes) {
    const QStringList phrases = {
        QStringLiteral("one two three four five six seven eight nine zero"),
        QStringLiteral("twenty five hundred thousand million billion trillion hundred"),
        QStringLiteral("three point one four one five nine two six five"),
        QStringLiteral("ninety nine percent of fifty dollars and five cents"),
    };
    for (const QString& phrase : phrases) {
        QString transcript;
        while (transcript.size() < 100000)
            transcript += phrase + QLatin1Char(' ');
        for (const QString& style : {QStringLiteral("words"), QStringLiteral("smart"), QStringLiteral("digits")}) {
            QElapsedTimer timer;
            timer.start();
            const QString digits = CleanupEngine::digitizeNumbers(transcript, style);
            const QString cleaned = CleanupEngine::rulesOnlyClean(transcript, style, true);
            EXPECT_FALSE(digits.isEmpty());
            EXPECT_FALSE(cleaned.isEmpty());
            // Generous: a quadratic pass would take minutes here.
            EXPECT_LT(timer.elapsed(), 20000) << s(style) << ": " << s(phrase);
        }
    }
    // One unbroken run of spelled digits becomes one long number without overflow.
    const QString run = QStringLiteral("seven ").repeated(20000).trimmed();
    EXPECT_EQ(CleanupEngine::digitizeNumbers(run + QStringLiteral(" dollars"), QStringLiteral("digits")),
              QLatin1Char('$') + QString(20000, QLatin1Char('7')));
}

} // namespace
