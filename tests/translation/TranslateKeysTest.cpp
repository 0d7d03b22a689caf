#include "translation/TranslateKeys.h"

#include "dictation/DictationPeers.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/QtPrinting.h"
#include "support/RecordingBubble.h"
#include "translation/TranslateBar.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPromise>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using PairStatus = OnDeviceTranslator::PairStatus;

const QString passage = QStringLiteral("Good morning. The meeting moved to three. Please bring the slides.");

class TranslateKeysTest : public testing::Test {
protected:
    TranslateKeysTest() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        Defaults::shared().remove(QStringLiteral("translationTarget"));
        Defaults::shared().set(QStringLiteral("translationReadTarget"), QStringLiteral("es"));
        Translator::takeTranslateNextDictation();
        fakes.languageDetector.answer(QStringLiteral("en"));
        fakes.onDeviceTranslator.setPair(QStringLiteral("en"), QStringLiteral("es"), PairStatus::Installed);
        fakes.onDeviceTranslator.holdAnswers = true;

        TranslateBar::Services barServices;
        barServices.defaults = &Defaults::shared();
        barServices.later = timers.delayedCall();
        bar = std::make_unique<TranslateBar>(barServices);

        TranslateKeys::Services services;
        services.available = [this] { return available; };
        services.selectedText = [this](QObject*) { return QtFuture::makeReadyFuture(selection); };
        services.speak = [this](const QString& text) {
            events << "speak:" + text;
            speeches.append(std::make_shared<QPromise<void>>());
            speeches.last()->start();
            return speeches.last()->future();
        };
        services.split = [](const QString& text) { return text.split(QStringLiteral(". "), Qt::SkipEmptyParts); };
        services.translatePiece = [this](const QString& text, const QString& source, const QString& target) {
            events << "translate:" + text;
            return fakes.onDeviceTranslator.translate(text, source, target);
        };
        services.toggleDictation = [this] { ++toggles; };
        services.trace = [this](const QString& line) { traces << line; };
        services.now = [] { return TranslateKeys::Clock::time_point{}; };
        keys = std::make_unique<TranslateKeys>(state, services);
        keys->setPeers({bar.get(), &bubble});
    }
    ~TranslateKeysTest() override {
        QLocale::setDefault(QLocale::c());
        Defaults::shared().remove(QStringLiteral("translationReadTarget"));
        Translator::takeTranslateNextDictation();
    }

    // Answers the oldest translation still waiting.
    void answer(const std::optional<QString>& text) {
        ASSERT_LT(answered, fakes.onDeviceTranslator.held.size());
        auto& promise = fakes.onDeviceTranslator.held[answered++];
        if (text)
            promise->addResult(text);
        else
            promise->addResult(std::optional<QString>());
        promise->finish();
        QCoreApplication::processEvents();
    }
    void finishSpeech(qsizetype index) {
        speeches.at(index)->finish();
        QCoreApplication::processEvents();
    }
    bool armed(std::chrono::milliseconds delay) const {
        return std::find(timers.delays.begin(), timers.delays.end(), delay) != timers.delays.end();
    }

    ScopedFakePlatform fakes;
    AppState state;
    ManualTimers timers;
    RecordingBubble bubble;
    std::unique_ptr<TranslateBar> bar;
    std::unique_ptr<TranslateKeys> keys;
    bool available = true;
    std::optional<QString> selection;
    QStringList events;
    QStringList traces;
    QList<std::shared_ptr<QPromise<void>>> speeches;
    int answered = 0;
    int toggles = 0;
};

TEST_F(TranslateKeysTest, WithoutTranslationTheKeysDoNothing) {
    available = false;
    keys->translateDictateKeyPressed();
    keys->translateKeyPressed();
    keys->translateReadKeyPressed();
    keys->dictateOnceTranslated();
    QCoreApplication::processEvents();
    EXPECT_EQ(keys->currentRun(), 0);
    EXPECT_EQ(toggles, 0);
    EXPECT_TRUE(traces.isEmpty());
    EXPECT_FALSE(Translator::takeTranslateNextDictation());
    EXPECT_TRUE(keys->readTranslated(passage).isFinished());
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(TranslateKeysTest, TheDictateKeyHidesTheBarAndMarksTheNextDictation) {
    bar->show(passage, QStringLiteral("en"), QStringLiteral("es"));
    keys->translateDictateKeyPressed();
    EXPECT_EQ(keys->currentRun(), 1);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(state.isTranslating());
    EXPECT_EQ(toggles, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(toggles, 1);
    EXPECT_TRUE(Translator::takeTranslateNextDictation());

    // The menu's entry neither supersedes nor hides.
    bar->show(passage, QStringLiteral("en"), QStringLiteral("es"));
    keys->dictateOnceTranslated();
    QCoreApplication::processEvents();
    EXPECT_EQ(keys->currentRun(), 1);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(toggles, 2);
}

TEST_F(TranslateKeysTest, TheTranslateKeyWithNothingSelectedDictatesOnce) {
    selection = QStringLiteral("  \n ");
    keys->translateKeyPressed();
    QCoreApplication::processEvents();
    EXPECT_EQ(traces, QStringList{QStringLiteral("translate grabSelection=0.00s chars=4")});
    EXPECT_EQ(keys->currentRun(), 1);
    EXPECT_EQ(toggles, 1);
    EXPECT_TRUE(Translator::takeTranslateNextDictation());
}

TEST_F(TranslateKeysTest, TheReadKeyWithNothingSelectedNamesTheReadingLanguage) {
    keys->translateReadKeyPressed();
    QCoreApplication::processEvents();
    EXPECT_EQ(traces, QStringList{QStringLiteral("translateRead grabSelection=0.00s chars=0")});
    EXPECT_EQ(state.flashMessage(), "Highlight some text first, then double-tap again to hear it in Spanish.");
    EXPECT_EQ(bubble.shown, QList<BubbleMode>{BubbleMode::Flash});
    EXPECT_EQ(bubble.hides, QList<std::chrono::milliseconds>{2200ms});
    EXPECT_EQ(fakes.announcer.announcements.size(), 1);
    EXPECT_EQ(toggles, 0);
}

TEST_F(TranslateKeysTest, TheNextPieceIsTranslatedBeforeTheCurrentOneIsSpoken) {
    selection = passage;
    keys->translateReadKeyPressed();
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(events, QStringList{"translate:Good morning"});
    answer(QStringLiteral(" Buenos días "));
    EXPECT_EQ(events,
              (QStringList{"translate:Good morning", "translate:The meeting moved to three", "speak:Buenos días"}));
    EXPECT_EQ(traces.last(), "translate chars=66 chunks=3 firstWord=0.00s");
    EXPECT_TRUE(armed(45s));
    // The look-ahead answers while the first piece still plays: nothing more is spoken yet.
    answer(QStringLiteral("La reunión pasó a las tres"));
    EXPECT_EQ(events.size(), 3);
    finishSpeech(0);
    EXPECT_EQ(events.mid(3), (QStringList{"translate:Please bring the slides.", "speak:La reunión pasó a las tres"}));
    answer(QStringLiteral("Por favor trae las diapositivas."));
    finishSpeech(1);
    EXPECT_FALSE(armed(9s));
    finishSpeech(2);
    EXPECT_EQ(events.last(), "speak:Por favor trae las diapositivas.");
    EXPECT_TRUE(armed(9s));
    EXPECT_EQ(fakes.onDeviceTranslator.requests.first().source, "en");
    EXPECT_EQ(fakes.onDeviceTranslator.requests.first().target, "es");
}

TEST_F(TranslateKeysTest, ASupersededReadingSpeaksNothingMoreAndFlashesNothing) {
    QFuture<void> first = keys->readTranslated(passage);
    answer(QStringLiteral("Buenos días"));
    ASSERT_EQ(events.last(), "speak:Buenos días");
    // The translate key again while the first piece plays.
    selection = std::nullopt;
    keys->translateKeyPressed();
    QCoreApplication::processEvents();
    // The look-ahead fails after the supersession: no "Could not translate" flash.
    answer(std::nullopt);
    finishSpeech(0);
    EXPECT_TRUE(first.isFinished());
    EXPECT_EQ(events.filter("speak:").size(), 1);
    EXPECT_TRUE(state.flashMessage().isEmpty());
}

TEST_F(TranslateKeysTest, AFailedPieceEndsTheReadingWithAFlash) {
    QFuture<void> reading = keys->readTranslated(passage);
    answer(std::nullopt);
    EXPECT_TRUE(reading.isFinished());
    EXPECT_EQ(state.flashMessage(), "Could not translate that selection.");
    EXPECT_TRUE(events.filter("speak:").isEmpty());
    EXPECT_FALSE(armed(9s));
}

TEST_F(TranslateKeysTest, AnEmptyFirstPieceIsSkippedWithoutTraceOrLongTimer) {
    QFuture<void> reading = keys->readTranslated(passage);
    answer(QStringLiteral("  "));
    answer(QStringLiteral("La reunión pasó a las tres"));
    EXPECT_EQ(events.filter("speak:"), QStringList{"speak:La reunión pasó a las tres"});
    EXPECT_TRUE(traces.filter("translate chars").isEmpty());
    EXPECT_FALSE(armed(45s));
    answer(QStringLiteral("Por favor trae las diapositivas."));
    finishSpeech(0);
    finishSpeech(1);
    EXPECT_TRUE(reading.isFinished());
}

TEST_F(TranslateKeysTest, PairsThatCannotBeUsedFlashNamingTheHighlightedLanguage) {
    // A German passage highlighted and read into Spanish: German is what
    // cannot be translated, not Spanish, which English reaches.
    selection = QStringLiteral("Guten Morgen. Die Besprechung ist um drei.");
    fakes.languageDetector.answer(QStringLiteral("de"));
    fakes.onDeviceTranslator.setPair(QStringLiteral("de"), QStringLiteral("es"), PairStatus::Supported);
    keys->translateReadKeyPressed();
    QCoreApplication::processEvents();
    EXPECT_EQ(state.flashMessage(), "German is not downloaded yet. System Settings > General > Language & Region > "
                                    "Translation Languages.");
    fakes.onDeviceTranslator.setPair(QStringLiteral("de"), QStringLiteral("ja"), PairStatus::Unsupported);
    (void)keys->readTranslated(*selection, QStringLiteral("ja"));
    QCoreApplication::processEvents();
    EXPECT_EQ(state.flashMessage(), "German cannot be translated on this Mac.");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(TranslateKeysTest, APassageAlreadyInTheTargetIsReadAsItIsWithoutTheBar) {
    fakes.languageDetector.answer(QStringLiteral("es-MX"));
    QFuture<void> reading = keys->readTranslated(QStringLiteral("Buenos días a todos"));
    EXPECT_EQ(events, QStringList{"speak:Buenos días a todos"});
    EXPECT_EQ(bar->panel(), nullptr);
    finishSpeech(0);
    EXPECT_TRUE(reading.isFinished());
    EXPECT_TRUE(timers.delays.empty());
}

TEST_F(TranslateKeysTest, AnExpandedBarIsNotTakenAwayWhenTheReadingEnds) {
    QFuture<void> reading = keys->readTranslated(QStringLiteral("Good morning to all of you"));
    bar->toggleExpanded();
    answer(QStringLiteral("Buenos días a todos"));
    finishSpeech(0);
    EXPECT_TRUE(reading.isFinished());
    EXPECT_FALSE(armed(9s));
    EXPECT_TRUE(bar->isVisible());
}

} // namespace
