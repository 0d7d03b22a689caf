// The Translation page: what its pickers offer, the ready row, what a pick
// writes and binds, and how it looks.
#include "mainwindow/TranslationPane.h"

#include "hotkeys/ConfiguredHotkeys.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "looks/TextColours.h"
#include "settings/PageRender.h"
#include "state/AppActions.h"
#include "support/FakeHotkeys.h"
#include "support/FakePlatform.h"
#include "support/QtPrinting.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"
#include "translation/LanguageTableView.h"
#include "translation/TranslationDownload.h"
#include "translator/TranslationCatalog.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Kind = TranslationPane::ReadyRow::Kind;
const QString kTapKey = QStringLiteral("doubleTapTranslateKey");

QStringList offerable() {
    QStringList keys;
    for (ModifierTapMonitor::Key key : ModifierTapMonitor::offerable())
        keys << ModifierTapMonitor::toString(key);
    return keys;
}

QStringList options(const QComboBox* picker) {
    QStringList values;
    for (int i = 0; i < picker->count(); ++i)
        values << picker->itemData(i).toString();
    return values;
}

void choose(QComboBox* picker, const QString& value) { picker->setCurrentIndex(picker->findData(value)); }

class TranslationPaneTest : public testing::Test {
protected:
    TranslationPaneTest() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        // French and Spanish are ready for English, and English reaches both.
        for (const QString& code : {QStringLiteral("fr"), QStringLiteral("es")}) {
            fakes.onDeviceTranslator.setPair(code, QStringLiteral("en"), OnDeviceTranslator::PairStatus::Installed);
            fakes.onDeviceTranslator.setPair(QStringLiteral("en"), code, OnDeviceTranslator::PairStatus::Installed);
        }
        TranslationCatalog::Services lists;
        lists.translator = [this] { return &fakes.onDeviceTranslator; };
        lists.typeTarget = [this] { return defaults.stringOr(TranslationPane::kTarget, QStringLiteral("en")); };
        lists.now = [] { return TranslationCatalog::Clock::time_point{}; };
        lists.runCheck = [this](std::function<TranslationCatalog::Lists()> check) {
            ++checks;
            return QtFuture::makeReadyFuture(check());
        };
        catalog = std::make_unique<TranslationCatalog>(lists);
        services = {
            &defaults, catalog.get(), offerable(), [this] { ++rebinds; }, {}, [] { return new LanguageTableView; }, {}};
    }
    ~TranslationPaneTest() override { QLocale::setDefault(QLocale::c()); }

    ScopedFakePlatform fakes;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    std::unique_ptr<TranslationCatalog> catalog;
    TranslationPane::Services services;
    int checks = 0;
    int rebinds = 0;
};

TEST_F(TranslationPaneTest, PickersOfferReachableLanguagesAndTheKeysNoOtherTapHolds) {
    const QString en = QStringLiteral("en");
    EXPECT_EQ(TranslationPane::reachableTargets(false, {"fr"}, en, {}), TranslationCatalog::candidates());
    EXPECT_EQ(TranslationPane::reachableTargets(true, {}, en, {}), TranslationCatalog::candidates());
    // The present choices stay offered, in candidate order, when the catalogue does not list them.
    EXPECT_EQ(TranslationPane::reachableTargets(true, {"fr"}, en, {}), QStringList({"en", "fr"}));
    EXPECT_EQ(TranslationPane::reachableTargets(true, {"fr"}, en, "de"), QStringList({"en", "fr", "de"}));

    const auto keys = [](const char* excluding, const char* current) {
        return TranslationPane::availableKeys(offerable(), excluding, current, "rightCommand", "rightOption");
    };
    EXPECT_EQ(keys("leftOption", "leftControl"), QStringList({"leftCommand", "leftControl"}));
    // A picker keeps its own value when it collides; Right Control is never offered.
    EXPECT_EQ(keys("leftOption", "rightCommand"), QStringList({"rightCommand", "leftCommand", "leftControl"}));
    EXPECT_EQ(keys("leftOption", "rightControl"), QStringList({"leftCommand", "leftControl"}));

    EXPECT_EQ(TranslationPane::readyRow(false, {"fr"}).kind, Kind::Checking);
    EXPECT_EQ(TranslationPane::readyRow(true, {}).kind, Kind::NothingReady);
    // By name, not by code (German, French, Chinese); a code without a name is upper-cased.
    EXPECT_EQ(TranslationPane::readyRow(true, {"zh-Hant", "fr", "de", "qqq"}),
              (TranslationPane::ReadyRow{Kind::Languages, "Chinese (Traditional), French, German, QQQ"}));
}

TEST_F(TranslationPaneTest, LoadingShowsTheStoredChoicesWritesNothingAndOddValuesSelectNothing) {
    TranslationPane pane(services);
    EXPECT_EQ(pane.intoPicker()->currentData().toString(), "en");
    EXPECT_EQ(pane.readPicker()->currentText(), "Same as above");
    EXPECT_EQ(options(pane.tapPicker()), QStringList({"leftCommand", "leftControl"}));
    EXPECT_TRUE(pane.keysCaption()->text().startsWith(
        "Double-tap Control \u2303 and whatever you say next is typed in English. Highlight something, "
        "double-tap Left Option \u2325, and Quorvane reads it aloud in English."));
    EXPECT_EQ(pane.readyLabel()->text(), "Checking which languages are ready\u2026");
    EXPECT_EQ(rebinds + checks, 0);
    EXPECT_FALSE(defaults.contains(TranslationPane::kTarget) || defaults.contains(kTapKey));

    defaults.set(kTapKey, 3);
    defaults.set(QStringLiteral("doubleTapTranslateReadKey"), QStringLiteral("capsLock"));
    defaults.set(TranslationPane::kReadTarget, QStringLiteral("de"));
    EXPECT_EQ(pane.tapPicker()->currentIndex(), -1);
    EXPECT_EQ(pane.readTapPicker()->currentIndex(), -1);
    EXPECT_TRUE(pane.keysCaption()->text().startsWith("Double-tap the key and"));
    EXPECT_TRUE(pane.keysCaption()->text().contains("double-tap the other key, and Quorvane reads it aloud in German"));
    EXPECT_EQ(rebinds, 0);
}

TEST_F(TranslationPaneTest, EachTranslateKeyChangeRebindsOnceAndTheTapsFollow) {
    FakeHotkeys keys;
    HotkeyManager hotkeys{&keys};
    ModifierTapMonitor taps{&keys};
    AppActions actions;
    actions.translationAvailable = [] { return true; };
    services.rebind = [&] {
        ++rebinds;
        registerConfiguredHotkeys(defaults, hotkeys, taps, actions);
    };
    TranslationPane pane(services);
    choose(pane.tapPicker(), QStringLiteral("leftCommand"));
    EXPECT_EQ(rebinds, 1);
    QList<ModifierTapMonitor::Key> watched;
    for (const ModifierTapMonitor::Binding& binding : taps.bindings())
        watched << binding.key;
    EXPECT_TRUE(watched.contains(ModifierTapMonitor::Key::LeftCommand));
    EXPECT_FALSE(watched.contains(ModifierTapMonitor::Key::LeftControl));
    // The other picker gave up Left Command and took Control back.
    EXPECT_EQ(options(pane.readTapPicker()), QStringList({"leftOption", "leftControl"}));
    choose(pane.readTapPicker(), QStringLiteral("leftControl"));
    EXPECT_EQ(rebinds, 2);
    // Languages are read when a translation starts: they never re-bind.
    choose(pane.intoPicker(), QStringLiteral("es"));
    choose(pane.readPicker(), QStringLiteral("fr"));
    EXPECT_EQ(rebinds, 2);
    EXPECT_EQ(defaults.string(TranslationPane::kReadTarget), QStringLiteral("fr"));
}

TEST_F(TranslationPaneTest, ShowingAndANewTargetRefreshTheCatalogueAndThePageFollowsIt) {
    TranslationPane pane(services);
    pane.show();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(options(pane.intoPicker()), QStringList({"en", "es", "fr"}));
    EXPECT_EQ(pane.readyLabel()->text(), "French, Spanish");
    choose(pane.intoPicker(), QStringLiteral("fr"));
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(pane.readyLabel()->text(), "English");
    EXPECT_TRUE(pane.intoCaption()->text().contains("Quorvane types French."));
    // Nothing is ready for German: the warning, in orange.
    defaults.set(TranslationPane::kTarget, QStringLiteral("de"));
    EXPECT_EQ(pane.intoPicker()->currentData().toString(), "de");
    EXPECT_EQ(pane.readyLabel()->palette().color(QPalette::WindowText), TextColours::orange(pane.palette()));
    pane.hide();
    defaults.set(TranslationPane::kTarget, QStringLiteral("en"));
    EXPECT_EQ(checks, 3) << "a hidden page leaves the catalogue alone";
    (void)catalog->refresh(true);
    EXPECT_NE(pane.readyLabel()->palette().color(QPalette::WindowText), TextColours::orange(pane.palette()));
}

TEST_F(TranslationPaneTest, ManagingLanguagesOpensTheRemovalOverThePage) {
    QList<QWidget*> opened;
    services.openLanguageSettings = [&](QWidget* parent) { opened << parent; };
    TranslationPane pane(services);
    ASSERT_TRUE(pane.manageButton()->isEnabled());
    pane.manageButton()->click();
    EXPECT_EQ(opened, QList<QWidget*>{&pane});
}

class TranslationPageRenderTest : public TranslationPaneTest, public testing::WithParamInterface<bool> {};

TEST_P(TranslationPageRenderTest, ThePageRendersInTheLookAndTheTableOpensBesideItsButton) {
    services.addLanguage = [this] {
        return new TranslationDownload({catalog.get(),
                                        [] { return QStringLiteral("en"); },
                                        [](const QString& source, const QString&) { return source == "de"; },
                                        {},
                                        {}});
    };
    PageRender render(defaults, GetParam());
    auto* pane = qobject_cast<TranslationPane*>(
        render.show(MainWindowPane::Translation, [this] { return new TranslationPane(services); }));
    ASSERT_NE(pane, nullptr);
    const QString look = GetParam() ? QStringLiteral("dark") : QStringLiteral("light");
    const QImage window = render.view().grab().toImage();
    // Beside the other pages' pictures rather than in this folder's own.
    EXPECT_FALSE(Artifacts::save(window, QStringLiteral("../page-translation-%1.png").arg(look)).isEmpty());
    render.expectLook(window);
    RenderCheck::expectReadable(render.view(), QStringLiteral("page-translation-%1").arg(look));
    RenderCheck::expectReadable(*pane->widget(), QStringLiteral("page-translation-%1-full").arg(look));
    EXPECT_EQ(pane->intoPicker()->currentText(), "English");
    EXPECT_FALSE(pane->manageButton()->isEnabled());

    pane->languagesButton()->click();
    QWidget* popup = pane->languagesPopup();
    ASSERT_NE(popup, nullptr);
    // Below the button, or above it where the screen ends first; never over it.
    const QRect button(pane->languagesButton()->mapToGlobal(QPoint(0, 0)), pane->languagesButton()->size());
    EXPECT_FALSE(popup->frameGeometry().intersects(button));
    // The rows come, laid out, once the desktop's voices have answered off the GUI thread.
    ASSERT_TRUE(QTest::qWaitFor(
        [popup] {
            const QList<QWidget*> widgets = popup->findChildren<QWidget*>();
            return std::any_of(widgets.begin(), widgets.end(), [](const QWidget* widget) {
                return widget->objectName().startsWith("line:") && widget->isVisible() && widget->height() > 0;
            });
        },
        10000))
        << "the language table's rows never came";
    // A loaded machine may paint before the table's rows have their layout.
    (void)QTest::qWaitFor([popup] { return RenderCheck::problems(*popup).isEmpty(); }, 2000);
    Artifacts::save(popup->grab().toImage(), QStringLiteral("../page-translation-%1-languages.png").arg(look));
    RenderCheck::expectReadable(*popup, QStringLiteral("page-translation-%1-languages").arg(look));
    popup->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(pane->languagesPopup(), nullptr);
}

QUORVANE_INSTANTIATE_LOOKS(TranslationPageRenderTest);

} // namespace
