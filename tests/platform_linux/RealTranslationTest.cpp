// Translation with the real detector and translator that scripts/setup.sh
// installs: cld2 and Apertium with its English-Spanish pair.
#include "translator/Translator.h"

#include "platform/Platform.h"
#include "platform/linux/ApertiumTranslator.h"
#include "platform/linux/Cld2LanguageDetector.h"
#include "support/Await.h"
#include "support/Defaults.h"

#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Failure = Translator::Failure;

const QString coffee = QStringLiteral("I would like to order two coffees and a chocolate croissant.");
const QString spanish = QStringLiteral("Me gustaría pedir dos cafés y un cruasán de chocolate.");

class RealTranslationTest : public testing::Test {
protected:
    void SetUp() override {
        Platform services = Platform::current();
        services.languageDetector = &detector;
        services.onDeviceTranslator = &apertium;
        previous = Platform::install(services);
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("es"));
    }
    void TearDown() override {
        Platform::install(previous);
        QLocale::setDefault(QLocale::c());
        Defaults::shared().remove(QStringLiteral("translationTarget"));
    }

    Cld2LanguageDetector detector;
    ApertiumTranslator apertium;
    Platform previous;
};

TEST_F(RealTranslationTest, DetectsWholeSentencesOnly) {
    EXPECT_EQ(Translator::detect(coffee), "en");
    EXPECT_EQ(Translator::detect(spanish), "es");
    EXPECT_EQ(Translator::detect(QStringLiteral("Je voudrais un café s'il vous plaît.")), "fr");
    EXPECT_EQ(Translator::detect(QStringLiteral("Hello there")), std::nullopt);
    EXPECT_EQ(Translator::detect(QStringLiteral("asdf qwer zxcv")), std::nullopt);
    EXPECT_EQ(Translator::detect(QStringLiteral("我想要兩杯咖啡 和一個巧克力 羊角麵包。")), "zh-Hant");
}

TEST_F(RealTranslationTest, TheInstalledPairsAreOffered) {
    EXPECT_TRUE(apertium.isAvailable());
    EXPECT_TRUE(apertium.installedModes().contains(QStringLiteral("eng-spa")));
    EXPECT_EQ(Translator::availability(QStringLiteral("en"), QStringLiteral("es")).result(),
              Translator::Availability::Installed);
    EXPECT_EQ(Translator::availability(QStringLiteral("es"), QStringLiteral("en")).result(),
              Translator::Availability::Installed);
    EXPECT_EQ(Translator::availability(QStringLiteral("en"), QStringLiteral("ja")).result(),
              Translator::Availability::Unsupported);
}

TEST_F(RealTranslationTest, TranslatesEnglishIntoSpanishAndBack) {
    const Translator::Result intoSpanish = awaitResult(Translator::translate(coffee));
    ASSERT_TRUE(intoSpanish.succeeded());
    EXPECT_TRUE(intoSpanish.text.contains(QStringLiteral("café"))) << intoSpanish.text.toStdString();
    EXPECT_FALSE(intoSpanish.text.contains(QLatin1Char('*')));

    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("en"));
    const Translator::Result intoEnglish = awaitResult(Translator::translate(spanish));
    ASSERT_TRUE(intoEnglish.succeeded());
    EXPECT_TRUE(intoEnglish.text.contains(QStringLiteral("coffee"))) << intoEnglish.text.toStdString();
}

TEST_F(RealTranslationTest, UnknownWordsMarkupAndStreamCharactersSurviveWithoutMarks) {
    const Translator::Result result = awaitResult(Translator::translate(
        QStringLiteral("Please send $5 to [Anna] and Zorblaxian at ^noon^ with <b>love</b> & {care} \\ today.")));
    ASSERT_TRUE(result.succeeded());
    for (const char* kept : {"Zorblaxian", "$5", "[Anna]", "<b>", "</b>", "&", "{", "}", "\\"})
        EXPECT_TRUE(result.text.contains(QLatin1String(kept))) << kept << " in " << result.text.toStdString();
    EXPECT_FALSE(result.text.contains(QLatin1Char('*'))) << result.text.toStdString();
}

TEST_F(RealTranslationTest, FailuresElsewhere) {
    EXPECT_EQ(awaitResult(Translator::translate(spanish)).failure, Failure::sameLanguage());
    EXPECT_EQ(awaitResult(Translator::translate(QStringLiteral("Hello there"))).failure, Failure::notDetected());

    // No English-Japanese pair exists for Apertium.
    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("ja"));
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::unsupported(QStringLiteral("English")));

    // Spanish-Portuguese is packaged for Debian but not installed here.
    if (!apertium.installedModes().contains(QStringLiteral("es-pt"))) {
        Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("pt"));
        EXPECT_EQ(awaitResult(Translator::translate(spanish)).failure,
                  Failure::notDownloaded(QStringLiteral("Spanish")));
    }
}

} // namespace
