// The translation catalogue, the pack control and the translated reading over
// the real Apertium that scripts/setup.sh installs with its English-Spanish
// pair, in a data folder of the test's own.
#include "mainwindow/TranslationPane.h"
#include "platform/linux/ApertiumTranslator.h"
#include "platform/linux/Cld2LanguageDetector.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/QtPrinting.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "translation/TranslateKeys.h"
#include "translation/TranslationDownload.h"
#include "translation/TranslationInstallDialog.h"
#include "translation/TranslationRemoveDialog.h"
#include "translator/TranslationCatalog.h"
#include "translator/TranslationGate.h"

#include "platform/Platform.h"
#include "state/AppState.h"

#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kSystemModes = QStringLiteral("/usr/share/apertium/modes/");

class TranslationApertiumTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(kSystemModes + QStringLiteral("spa-eng.mode")))
            GTEST_SKIP() << "apertium-eng-spa is not installed";
        folder.mkdir(QStringLiteral("modes"));
        environment.set("APERTIUM_DATADIR", folder.path().toUtf8());
        apertium = std::make_unique<ApertiumTranslator>();
        Platform services = Platform::current();
        services.onDeviceTranslator = apertium.get();
        services.languageDetector = &detector;
        previous = Platform::install(services);
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        Defaults::shared().remove(QStringLiteral("translationTarget"));
        Defaults::shared().remove(QStringLiteral("translationReadTarget"));
    }
    void TearDown() override {
        if (!apertium)
            return;
        Platform::install(previous);
        QLocale::setDefault(QLocale::c());
        Defaults::shared().remove(QStringLiteral("translationReadTarget"));
    }

    void installSpanish() {
        for (const char* mode : {"eng-spa", "spa-eng"})
            ASSERT_TRUE(
                QFile::copy(kSystemModes + QLatin1String(mode) + QStringLiteral(".mode"),
                            folder.file(QStringLiteral("modes/") + QLatin1String(mode) + QStringLiteral(".mode"))));
    }

    TempFolder folder;
    ScopedEnvironment environment;
    std::unique_ptr<ApertiumTranslator> apertium;
    Cld2LanguageDetector detector;
    Platform previous;
};

TEST_F(TranslationApertiumTest, PackagesAreNamedForPairsThatAreNotInstalled) {
    EXPECT_EQ(ApertiumTranslator::packageFor(QStringLiteral("es"), QStringLiteral("en")), "apertium-eng-spa");
    EXPECT_EQ(ApertiumTranslator::packageFor(QStringLiteral("uk"), QStringLiteral("ru")), "apertium-rus-ukr");
    EXPECT_EQ(ApertiumTranslator::packageFor(QStringLiteral("ja"), QStringLiteral("en")), std::nullopt);
    EXPECT_EQ(apertium->installCommand(QStringLiteral("es"), QStringLiteral("en")),
              "sudo apt-get install apertium-eng-spa");
    installSpanish();
    // Installed: nothing left to install.
    EXPECT_EQ(apertium->installCommand(QStringLiteral("es"), QStringLiteral("en")), std::nullopt);
    const std::unique_ptr<OnDeviceTranslator::PairSnapshot> pairs = apertium->snapshot();
    EXPECT_EQ(pairs->status(QStringLiteral("es"), QStringLiteral("en")), OnDeviceTranslator::PairStatus::Installed);
    EXPECT_EQ(pairs->status(QStringLiteral("pt"), QStringLiteral("en")), OnDeviceTranslator::PairStatus::Unsupported);
}

TEST_F(TranslationApertiumTest, AnInstalledPairNamesThePackageThatRemovesIt) {
    EXPECT_EQ(apertium->removeCommand(QStringLiteral("es"), QStringLiteral("en")), std::nullopt);
    installSpanish();
    EXPECT_EQ(apertium->removeCommand(QStringLiteral("es"), QStringLiteral("en")),
              "sudo apt-get remove apertium-eng-spa");
    EXPECT_EQ(apertium->removeCommand(QStringLiteral("fr"), QStringLiteral("en")), std::nullopt);
}

TEST_F(TranslationApertiumTest, TranslationOpensAndClosesAsAPairIsInstalledAndRemovedWhileRunning) {
    TranslationGate gate([this] { return apertium.get(); });
    QSignalSpy opened(&gate, &TranslationGate::openChanged);
    gate.watch();
    EXPECT_FALSE(gate.isOpen());
    installSpanish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.count() == 1; }, 5000));
    EXPECT_TRUE(opened.last().first().toBool());
    EXPECT_TRUE(gate.isOpen());
    for (const char* mode : {"eng-spa", "spa-eng"})
        ASSERT_TRUE(
            QFile::remove(folder.file(QStringLiteral("modes/") + QLatin1String(mode) + QStringLiteral(".mode"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.count() == 2; }, 5000));
    EXPECT_FALSE(opened.last().first().toBool());
    EXPECT_FALSE(gate.isOpen());
}

TEST_F(TranslationApertiumTest, ManagingLanguagesShowsTheRemovalAndCheckAgainClosesOnceSpanishHasGone) {
    installSpanish();
    TranslationCatalog& catalog = TranslationCatalog::shared();
    awaitFuture(catalog.refresh(true));
    TranslationPane pane(TranslationPane::Services::standard());
    ASSERT_TRUE(pane.manageButton()->isEnabled());
    pane.manageButton()->click();
    auto* dialog = pane.findChild<TranslationRemoveDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->choice(), QStringLiteral("es"));
    EXPECT_EQ(dialog->command(), "sudo apt-get remove apertium-eng-spa");

    // The user runs the command: the pair's files go.
    for (const char* mode : {"eng-spa", "spa-eng"})
        ASSERT_TRUE(
            QFile::remove(folder.file(QStringLiteral("modes/") + QLatin1String(mode) + QStringLiteral(".mode"))));
    QPointer<TranslationRemoveDialog> open(dialog);
    dialog->checkAgain();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !open || !open->isVisible(); }, 10000));
    EXPECT_TRUE(catalog.sources().isEmpty());
}

TEST_F(TranslationApertiumTest, CheckAgainMovesSpanishFromAddableToSources) {
    TranslationCatalog& catalog = TranslationCatalog::shared();
    awaitFuture(catalog.refresh(true));
    TranslationDownload control(TranslationDownload::Services::standard());
    EXPECT_EQ(control.addable(), QStringList{QStringLiteral("es")});
    EXPECT_FALSE(catalog.sources().contains(QStringLiteral("es")));

    control.setChoice(QStringLiteral("es"));
    control.add();
    auto* dialog = control.findChild<TranslationInstallDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->command(), "sudo apt-get install apertium-eng-spa");
    EXPECT_TRUE(control.working());

    // Checking before the pack is there keeps the dialog open.
    dialog->checkAgain();
    QTest::qWait(300);
    ASSERT_TRUE(dialog->isVisible());

    installSpanish();
    QPointer<TranslationInstallDialog> open(dialog);
    dialog->checkAgain();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !open || !open->isVisible(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !catalog.refreshing() && !control.working(); }, 10000));
    EXPECT_EQ(catalog.sources(), QStringList{QStringLiteral("es")});
    EXPECT_TRUE(catalog.targets().contains(QStringLiteral("es")));
    EXPECT_TRUE(control.addable().isEmpty());
}

TEST_F(TranslationApertiumTest, LowerCaseDayNamesOfATranscriptAreTranslated) {
    installSpanish();
    const auto spanish = [&](const QString& english) {
        return awaitResult(apertium->translate(english, QStringLiteral("en"), QStringLiteral("es")), 30000)
            .value_or(QString());
    };
    EXPECT_TRUE(spanish(QStringLiteral("see you next tuesday afternoon")).contains(QStringLiteral("martes")));
    EXPECT_TRUE(spanish(QStringLiteral("the fair opens in october")).contains(QStringLiteral("octubre")));
    // "may" stays the verb.
    EXPECT_TRUE(spanish(QStringLiteral("you may go home now")).contains(QStringLiteral("uede")));
}

TEST_F(TranslationApertiumTest, InstallingAPairIsNoticedOnceTheFolderSettles) {
    int changes = 0;
    apertium->watchInstalledPairs([&] { ++changes; });
    installSpanish();
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes > 0; }, 5000));
    QTest::qWait(int(ApertiumTranslator::kSettleTime.count()) * 2);
    // Two mode files, one report.
    EXPECT_EQ(changes, 1);
}

TEST_F(TranslationApertiumTest, AReadingIsSpokenInSpanishPieceByPiece) {
    installSpanish();
    Defaults::shared().set(QStringLiteral("translationReadTarget"), QStringLiteral("es"));
    AppState state;
    TranslateKeys::Services services = TranslateKeys::Services::standard();
    QStringList spoken;
    services.speak = [&](const QString& text) {
        spoken << text;
        return QtFuture::makeReadyFuture();
    };
    services.trace = [](const QString&) {};
    TranslateKeys keys(state, services);
    const QFuture<void> reading = keys.readTranslated(
        QStringLiteral("Please schedule a meeting with the marketing team for next Tuesday afternoon. "
                       "The room on the second floor is free all day, and lunch will be served."));
    ASSERT_TRUE(awaitFuture(reading, 60000));
    ASSERT_EQ(spoken.size(), 2) << spoken.join(" | ").toStdString();
    EXPECT_TRUE(spoken.first().contains(QStringLiteral("equipo")));
    EXPECT_TRUE(spoken.first().contains(QStringLiteral("martes")));
    EXPECT_TRUE(state.flashMessage().isEmpty());
}

} // namespace
