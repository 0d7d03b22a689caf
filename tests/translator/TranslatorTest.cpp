#include "translator/Translator.h"

#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"

#include <QLocale>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using Failure = Translator::Failure;
using PairStatus = OnDeviceTranslator::PairStatus;

const QString coffee = QStringLiteral("I would like to order two coffees and a chocolate croissant.");

class TranslatorTest : public testing::Test {
protected:
    void SetUp() override {
        Defaults::shared().remove(QStringLiteral("translationTarget"));
        Defaults::shared().remove(QStringLiteral("translationReadTarget"));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    // An English dictation headed for `target`, with the pair in `status`.
    void englishInto(const QString& target, PairStatus status) {
        Defaults::shared().set(QStringLiteral("translationTarget"), target);
        fakes.languageDetector.answer(QStringLiteral("en"));
        fakes.onDeviceTranslator.setPair(QStringLiteral("en"), target, status);
    }

    ScopedFakePlatform fakes;
};

TEST_F(TranslatorTest, TargetsFallBackWhenMissingEmptyOrNotText) {
    Defaults& defaults = Defaults::shared();
    EXPECT_EQ(Translator::typeTarget(), "en");
    EXPECT_EQ(Translator::readTarget(), "en");

    defaults.set(QStringLiteral("translationTarget"), QString());
    EXPECT_EQ(Translator::typeTarget(), "en");
    defaults.set(QStringLiteral("translationTarget"), 3);
    EXPECT_EQ(Translator::typeTarget(), "en");

    defaults.set(QStringLiteral("translationTarget"), QStringLiteral("de"));
    defaults.set(QStringLiteral("translationReadTarget"), QString());
    EXPECT_EQ(Translator::typeTarget(), "de");
    EXPECT_EQ(Translator::readTarget(), "de");
    defaults.set(QStringLiteral("translationReadTarget"), QStringLiteral("fr"));
    EXPECT_EQ(Translator::readTarget(), "fr");
}

TEST_F(TranslatorTest, BaseIsTheFirstPieceLowerCased) {
    EXPECT_EQ(Translator::base(QStringLiteral("en-GB")), "en");
    EXPECT_EQ(Translator::base(QStringLiteral("-pt-BR")), "pt");
    EXPECT_EQ(Translator::base(QStringLiteral("---")), "---");
    EXPECT_EQ(Translator::base(QString()), "");
}

TEST_F(TranslatorTest, DetectionNeedsThreeWordsAndASureDominantLanguage) {
    FakeLanguageDetector& detector = fakes.languageDetector;
    detector.answer(QStringLiteral("en"));
    EXPECT_EQ(Translator::detect(QStringLiteral("  hello \n there ")), std::nullopt);
    EXPECT_TRUE(detector.texts.isEmpty());
    EXPECT_EQ(Translator::detect(QStringLiteral("  hello there\tfriend \n")), "en");
    EXPECT_EQ(detector.texts.last(), "hello there\tfriend");

    detector.answer(QStringLiteral("fr"), 0.62);
    EXPECT_EQ(Translator::detect(coffee), "fr");
    detector.answer(QStringLiteral("fr"), 0.6199);
    EXPECT_EQ(Translator::detect(coffee), std::nullopt);

    // The dominant language must be one of the two likeliest.
    detector.next = {QStringLiteral("de"),
                     {{QStringLiteral("en"), 0.5}, {QStringLiteral("fr"), 0.3}, {QStringLiteral("de"), 0.2}}};
    EXPECT_EQ(Translator::detect(coffee), std::nullopt);
    detector.next = {QString(), {{QStringLiteral("en"), 0.9}}};
    EXPECT_EQ(Translator::detect(coffee), std::nullopt);
}

TEST_F(TranslatorTest, DisplayNamesUseTheCurrentLocale) {
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(Translator::displayName(QStringLiteral("zh-Hant")), "Chinese (Traditional)");
    EXPECT_EQ(Translator::displayName(QStringLiteral("de-CH")), "German");
    EXPECT_EQ(Translator::displayName(QStringLiteral("nb")), "Norwegian Bokmål");
    EXPECT_EQ(Translator::displayName(QStringLiteral("sh")), "Serbo-Croatian");
    EXPECT_EQ(Translator::displayName(QStringLiteral("xx-yy")), "XX-YY");

    QLocale::setDefault(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(Translator::displayName(QStringLiteral("en")), "Anglais");
    EXPECT_EQ(Translator::displayName(QStringLiteral("zh-Hant")), "Chinese (Traditional)");
}

TEST_F(TranslatorTest, NoTranslatorMeansNothingCanBeTranslated) {
    fakes.onDeviceTranslator.available = false;
    englishInto(QStringLiteral("es"), PairStatus::Installed);
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::needsNewerSystem());
    EXPECT_EQ(Translator::availability(QStringLiteral("en"), QStringLiteral("es")).result(),
              Translator::Availability::Unavailable);
    EXPECT_TRUE(fakes.languageDetector.texts.isEmpty());
    EXPECT_TRUE(fakes.onDeviceTranslator.requests.isEmpty());
}

TEST_F(TranslatorTest, UndetectedOrSameLanguageKeepsTheText) {
    englishInto(QStringLiteral("es"), PairStatus::Installed);
    EXPECT_EQ(awaitResult(Translator::translate(QStringLiteral("two words"))).failure, Failure::notDetected());

    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("en"));
    fakes.languageDetector.answer(QStringLiteral("en-GB"));
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::sameLanguage());

    // Both scripts of Chinese share a base, so they count as one language.
    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("zh-Hans"));
    fakes.languageDetector.answer(QStringLiteral("zh-Hant"));
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::sameLanguage());
    EXPECT_TRUE(fakes.onDeviceTranslator.requests.isEmpty());
}

TEST_F(TranslatorTest, PairsThatAreNotInstalledNameTheSpokenLanguage) {
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    fakes.languageDetector.answer(QStringLiteral("fr"));
    fakes.onDeviceTranslator.setPair(QStringLiteral("fr"), QStringLiteral("en"), PairStatus::Supported);
    fakes.onDeviceTranslator.setPair(QStringLiteral("fr"), QStringLiteral("de"), PairStatus::Unsupported);

    EXPECT_EQ(Translator::availability(QStringLiteral("fr"), QStringLiteral("en")).result(),
              Translator::Availability::Supported);
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::notDownloaded(QStringLiteral("French")));
    Defaults::shared().set(QStringLiteral("translationTarget"), QStringLiteral("de"));
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::unsupported(QStringLiteral("French")));
    EXPECT_TRUE(fakes.onDeviceTranslator.requests.isEmpty());
}

TEST_F(TranslatorTest, TranslatesTheUntrimmedTextAndTrimsTheAnswer) {
    englishInto(QStringLiteral("es"), PairStatus::Installed);
    fakes.onDeviceTranslator.answer = QStringLiteral("  Me gustaría pedir dos cafés.\n");
    const QString spoken = QStringLiteral("  ") + coffee + QStringLiteral("\n");

    const Translator::Result result = awaitResult(Translator::translate(spoken));
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(result.text, "Me gustaría pedir dos cafés.");
    ASSERT_EQ(fakes.onDeviceTranslator.requests.size(), 1);
    EXPECT_EQ(fakes.onDeviceTranslator.requests[0].text, spoken);
    EXPECT_EQ(fakes.onDeviceTranslator.requests[0].source, "en");
    EXPECT_EQ(fakes.onDeviceTranslator.requests[0].target, "es");
}

TEST_F(TranslatorTest, BackendErrorsAndBlankAnswersFail) {
    englishInto(QStringLiteral("es"), PairStatus::Installed);
    fakes.onDeviceTranslator.answer = std::nullopt;
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::failed());
    fakes.onDeviceTranslator.answer = QStringLiteral(" \n\t ");
    EXPECT_EQ(awaitResult(Translator::translate(coffee)).failure, Failure::failed());
}

TEST_F(TranslatorTest, AnswersFromAnotherThreadArriveOnTheGuiThread) {
    englishInto(QStringLiteral("es"), PairStatus::Installed);
    fakes.onDeviceTranslator.holdAnswers = true;
    QFuture<Translator::Result> pending = Translator::translate(coffee);
    ASSERT_EQ(fakes.onDeviceTranslator.held.size(), 1);
    EXPECT_FALSE(pending.isFinished());

    QThread* answeredOn = nullptr;
    QFuture<void> seen = pending.then(QCoreApplication::instance(),
                                      [&](const Translator::Result&) { answeredOn = QThread::currentThread(); });
    auto promise = fakes.onDeviceTranslator.held[0];
    std::unique_ptr<QThread> worker(QThread::create([promise] {
        promise->addResult(std::optional<QString>(QStringLiteral("Hola")));
        promise->finish();
    }));
    worker->start();
    worker->wait();
    EXPECT_EQ(awaitResult(pending).text, "Hola");
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.isFinished(); }, 5000));
    EXPECT_EQ(answeredOn, QCoreApplication::instance()->thread());
}

TEST_F(TranslatorTest, AbandonedTranslationFails) {
    englishInto(QStringLiteral("es"), PairStatus::Installed);
    fakes.onDeviceTranslator.holdAnswers = true;
    QFuture<Translator::Result> pending = Translator::translate(coffee);
    fakes.onDeviceTranslator.held[0]->future().cancel();
    fakes.onDeviceTranslator.held[0]->finish();
    EXPECT_EQ(awaitResult(pending).failure, Failure::failed());
}

TEST_F(TranslatorTest, MessagesSayWhatHappenedOrNothingInTheDesktopsWording) {
    fakes.wording.table = {
        {QStringLiteral(
             " is not downloaded yet. System Settings > General > Language & Region > Translation Languages."),
         QStringLiteral(" is not installed.")},
        {QStringLiteral(" cannot be translated on this Mac."), QStringLiteral(" cannot be translated here.")},
        {QStringLiteral("Translation needs macOS 26 or later."), QStringLiteral("Translation needs Apertium.")},
    };
    EXPECT_EQ(Translator::message(Failure::notDownloaded(QStringLiteral("French"))), "French is not installed.");
    EXPECT_EQ(Translator::message(Failure::unsupported(QStringLiteral("German"))), "German cannot be translated here.");
    EXPECT_EQ(Translator::message(Failure::needsNewerSystem()), "Translation needs Apertium.");
    EXPECT_EQ(Translator::message(Failure::failed()), "Could not translate that. The original text was kept.");
    EXPECT_EQ(Translator::message(Failure::notDetected()), std::nullopt);
    EXPECT_EQ(Translator::message(Failure::sameLanguage()), std::nullopt);
}

} // namespace
