#include "translation/TranslateBar.h"

#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/InlineCatalog.h"
#include "support/ManualTimers.h"
#include "support/QtPrinting.h"
#include "support/RenderCheck.h"
#include "support/ScopedLook.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLocale>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using Screen = TranslateBar::Screen;

const Screen left{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)};
const Screen right{QRect(1920, 0, 1280, 1024), QRect(1920, 30, 1280, 994)};

class TranslateBarTest : public testing::Test {
protected:
    TranslateBarTest() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        Defaults::shared().remove(QStringLiteral("translationTarget"));
        Defaults::shared().remove(QStringLiteral("translationReadTarget"));
        fakes.onDeviceTranslator.setPair(QStringLiteral("en"), QStringLiteral("es"),
                                         OnDeviceTranslator::PairStatus::Installed);
        catalog = inlineCatalog(fakes.onDeviceTranslator, [] { return QStringLiteral("en"); });
        (void)catalog->refresh(true);

        TranslateBar::Services services;
        services.defaults = &Defaults::shared();
        services.catalog = catalog.get();
        services.later = timers.delayedCall();
        services.screens = [] { return QList<Screen>{left, right}; };
        services.mainScreen = []() -> std::optional<Screen> { return left; };
        services.pointer = [this] { return pointer; };
        services.trace = [this](const QString& line) { traces << line; };
        services.hasSelectionRect = [](std::function<void(bool has)> answered) { answered(false); };
        bar = std::make_unique<TranslateBar>(services);
        TranslateBar::Peers peers;
        peers.readAgain = [this](const QString& passage, const QString& code) { readings << passage + "|" + code; };
        peers.openTranslationPage = [this] { ++pagesOpened; };
        bar->setPeers(peers);
    }
    ~TranslateBarTest() override {
        QLocale::setDefault(QLocale::c());
        Defaults::shared().remove(QStringLiteral("translationReadTarget"));
    }

    // Runs the timers due in `span` and the hides they queue.
    void advance(std::chrono::milliseconds span) {
        timers.advance(span);
        QCoreApplication::processEvents();
    }

    ScopedFakePlatform fakes;
    ManualTimers timers;
    QPoint pointer{500, 500};
    QStringList traces;
    QStringList readings;
    int pagesOpened = 0;
    std::unique_ptr<TranslationCatalog> catalog;
    std::unique_ptr<TranslateBar> bar;
};

TEST_F(TranslateBarTest, PlacesItselfAtTheBottomCentreOfTheScreenUnderThePointer) {
    const QSize panel(240, 34);
    EXPECT_EQ(TranslateBar::origin({left, right}, left, QPoint(100, 100), panel), QPoint(840, 1040 - 34 - 34));
    // The second screen: centred on its available area, 34 above its bottom.
    const QPoint second = *TranslateBar::origin({left, right}, left, QPoint(2500, 300), panel);
    EXPECT_EQ(second.x() + panel.width() / 2, right.available.center().x() + 1);
    EXPECT_EQ(second.y() + panel.height() + TranslateBar::kBottomGap, right.available.bottom() + 1);
    // Off every screen: the main one; no screen at all: not moved.
    EXPECT_EQ(TranslateBar::origin({left, right}, left, QPoint(-50, -50), panel), QPoint(840, 972));
    EXPECT_EQ(TranslateBar::origin({}, std::nullopt, QPoint(0, 0), panel), std::nullopt);

    EXPECT_EQ(TranslateBar::fitted(QSize(30, 10)), QSize(240, 34));
    EXPECT_EQ(TranslateBar::fitted(QSize(300, 18)), QSize(300, 34));
    EXPECT_EQ(TranslateBar::fitted(QSize(180, 30)), QSize(180, 30));
}

TEST_F(TranslateBarTest, ShowingLaysTheBarOutOnTheScreenUnderThePointerAndTracesIt) {
    pointer = QPoint(2500, 300);
    bar->show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
    QWidget* panel = bar->panel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(right.available.contains(panel->frameGeometry()));
    EXPECT_EQ(panel->frameGeometry().bottom() + 1 + TranslateBar::kBottomGap, right.available.bottom() + 1);
    EXPECT_EQ(bar->sourceName(), "English");
    EXPECT_EQ(bar->targetCode(), "es");
    ASSERT_EQ(traces.size(), 1);
    EXPECT_TRUE(traces.first().startsWith(QStringLiteral("translatebar show English->es size=%1x%2 origin=(%3,%4)")
                                              .arg(panel->width())
                                              .arg(panel->height())
                                              .arg(panel->x())
                                              .arg(panel->y())));
    bar->toggleExpanded();
    EXPECT_GT(panel->height(), 60);
    EXPECT_GE(panel->width(), 168);
    EXPECT_EQ(panel->frameGeometry().bottom() + 1 + TranslateBar::kBottomGap, right.available.bottom() + 1);
}

// Showing the bar asks nothing of the application that holds the selection:
// the show's trace line follows once the selection rectangle's answer comes,
// and says whether there is one.
TEST_F(TranslateBarTest, ShowingWaitsForNoApplicationAndTracesTheSelectionRectOnceAnswered) {
    QStringList lines;
    TranslateBar::Services services = TranslateBar::Services::standard();
    services.catalog = catalog.get();
    services.later = timers.delayedCall();
    services.trace = [&](const QString& line) { lines << line; };
    auto field = std::make_shared<FakeElement>();
    field->value = QStringLiteral("Buenos días a todos");
    field->selection = AccessibleElement::TextRange{0, 12};
    fakes.accessibility.focused = field;

    TranslateBar shown(services);
    for (const bool has : {true, false}) {
        field->selectionBounds = has ? std::optional(QRect(120, 340, 96, 18)) : std::nullopt;
        lines.clear();
        fakes.accessibility.focusQuestions = 0;
        shown.show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
        EXPECT_EQ(fakes.accessibility.focusQuestions, 0) << "the show waited for the application";
        EXPECT_TRUE(lines.isEmpty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !lines.isEmpty(); }, 5000));
        ASSERT_EQ(lines.size(), 1);
        const QRect frame = shown.panel()->frameGeometry();
        EXPECT_EQ(lines.first(), QStringLiteral("translatebar show English->es size=%1x%2 origin=(%3,%4) visible=true "
                                                "onSpace=true hasSelRect=%5")
                                     .arg(frame.width())
                                     .arg(frame.height())
                                     .arg(frame.x())
                                     .arg(frame.y())
                                     .arg(has ? QStringLiteral("true") : QStringLiteral("false")));
    }

    // A bar gone before the answer comes writes nothing.
    lines.clear();
    auto gone = std::make_unique<TranslateBar>(services);
    gone->show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
    gone.reset();
    QTest::qWait(50);
    EXPECT_TRUE(lines.isEmpty());
}

TEST_F(TranslateBarTest, TheBarReadsInBothLooks) {
    for (const bool dark : {false, true}) {
        const ScopedLook look(dark);
        const QString suffix = dark ? QStringLiteral("-dark") : QString();
        bar->show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
        QWidget* panel = bar->panel();
        ASSERT_TRUE(panel);
        Artifacts::save(panel->grab().toImage(), QStringLiteral("translate-bar-collapsed%1.png").arg(suffix));
        RenderCheck::expectReadable(*panel, QStringLiteral("translate-bar-collapsed") + suffix);
        bar->toggleExpanded();
        Artifacts::save(panel->grab().toImage(), QStringLiteral("translate-bar-expanded%1.png").arg(suffix));
        RenderCheck::expectReadable(*panel, QStringLiteral("translate-bar-expanded") + suffix);
        bar->hide();
    }
}

TEST_F(TranslateBarTest, TimersKeepOnlyTheLatestHide) {
    bar->show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
    advance(119s);
    EXPECT_TRUE(bar->isVisible());
    advance(1s);
    EXPECT_FALSE(bar->isVisible());

    bar->show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
    bar->armHide(45s);
    bar->armHide(9s);
    advance(9s);
    EXPECT_FALSE(bar->isVisible());

    // Expanding cancels the pending hide; collapsing arms 5 s.
    bar->show(QStringLiteral("Good morning everyone"), QStringLiteral("en"), QStringLiteral("es"));
    bar->toggleExpanded();
    EXPECT_FALSE(bar->hideTimerArmed());
    advance(200s);
    EXPECT_TRUE(bar->isVisible());
    bar->toggleExpanded();
    advance(4900ms);
    EXPECT_TRUE(bar->isVisible());
    advance(100ms);
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(TranslateBarTest, HideWithoutAPanelOnlyClearsTheTimerAndTheList) {
    bar->toggleExpanded();
    EXPECT_TRUE(bar->expanded());
    bar->armHide(3s);
    bar->hide();
    EXPECT_FALSE(bar->expanded());
    EXPECT_FALSE(bar->hideTimerArmed());
    EXPECT_EQ(bar->panel(), nullptr);
}

TEST_F(TranslateBarTest, OffersTheCatalogueAndTheCurrentTargetAndKeepsOnlyANewDefault) {
    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("fr"));
    // French is not in the catalogue but is being read: it stays, in candidate order.
    EXPECT_EQ(bar->offered(), (QStringList{QStringLiteral("es"), QStringLiteral("fr")}));
    EXPECT_TRUE(bar->offersKeep());
    Defaults::shared().set(QStringLiteral("translationReadTarget"), QStringLiteral("fr"));
    EXPECT_FALSE(bar->offersKeep());
    // An empty stored reading target follows the typing target.
    Defaults::shared().set(QStringLiteral("translationReadTarget"), QString());
    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("en"));
    EXPECT_FALSE(bar->offersKeep());
}

TEST_F(TranslateBarTest, RowsChooseKeepAndAdd) {
    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("fr"));
    bar->toggleExpanded();
    bar->choose(QStringLiteral("es"));
    EXPECT_FALSE(bar->expanded());
    EXPECT_EQ(bar->targetCode(), "es");
    QCoreApplication::processEvents();
    EXPECT_EQ(readings, QStringList{QStringLiteral("Guten Morgen zusammen|es")});
    // Nothing showed the bar again: it leaves after 6 s.
    advance(6s);
    EXPECT_FALSE(bar->isVisible());

    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("fr"));
    bar->toggleExpanded();
    bar->keepAsDefault();
    EXPECT_EQ(Defaults::shared().string(QStringLiteral("translationReadTarget")), "fr");
    EXPECT_FALSE(bar->expanded());
    advance(4s);
    EXPECT_FALSE(bar->isVisible());

    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("fr"));
    bar->addLanguage();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(pagesOpened, 1);
}

// The button of the bar whose accessible name is `name`; null when there is none.
QAbstractButton* button(QWidget* panel, const QString& name) {
    for (QAbstractButton* candidate : panel->findChildren<QAbstractButton*>())
        if (candidate->accessibleName() == name && candidate->isVisible())
            return candidate;
    return nullptr;
}

// Clicks the button named `name` and runs the queued reaction to it.
bool click(QWidget* panel, const QString& name) {
    QAbstractButton* target = button(panel, name);
    if (!target)
        return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    QCoreApplication::processEvents();
    return true;
}

TEST_F(TranslateBarTest, ChoosingARowShrinksTheBarBackToItsHeader) {
    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("fr"));
    QWidget* panel = bar->panel();
    ASSERT_TRUE(panel);
    const QRect collapsed = panel->frameGeometry();
    const auto header = [this] {
        return QStringLiteral("Reading aloud, German to ") + Translator::displayName(bar->targetCode());
    };

    // Reading again in Spanish makes it the language read into, which the
    // second row then keeps.
    for (const QString& row :
         {QStringLiteral("Read again in Spanish"), QStringLiteral("Keep Spanish as the default language")}) {
        ASSERT_TRUE(click(panel, header())) << row.toStdString();
        ASSERT_TRUE(bar->expanded());
        ASSERT_GT(panel->height(), collapsed.height() + 40);
        ASSERT_TRUE(click(panel, row)) << row.toStdString();
        EXPECT_FALSE(bar->expanded());
        // Back to the header's size and place, not an empty panel of the list's size.
        EXPECT_EQ(panel->frameGeometry().height(), collapsed.height()) << row.toStdString();
        EXPECT_EQ(panel->frameGeometry().bottom(), collapsed.bottom()) << row.toStdString();
        EXPECT_TRUE(bar->isVisible());
        Artifacts::save(
            panel->grab().toImage(),
            QStringLiteral("translate-bar-after-%1.png").arg(row.section(QLatin1Char(' '), 0, 0).toLower()));
        RenderCheck::expectReadable(*panel, QStringLiteral("translate bar after ") + row);
        EXPECT_NE(button(panel, header()), nullptr);
    }
    EXPECT_EQ(bar->targetCode(), "es");
}

TEST_F(TranslateBarTest, TheHeaderSpeaksForTheWholeRow) {
    bar->show(QStringLiteral("Guten Morgen zusammen"), QStringLiteral("de"), QStringLiteral("es"));
    QStringList names;
    for (const QAbstractButton* button : bar->panel()->findChildren<QAbstractButton*>())
        names << button->accessibleName() + " / " + button->accessibleDescription();
    EXPECT_EQ(names, QStringList{QStringLiteral("Reading aloud, German to Spanish / Opens the language list")});
    // Expanded, each row names the language it acts on.
    bar->toggleExpanded();
    names.clear();
    for (const QAbstractButton* button : bar->panel()->findChildren<QAbstractButton*>())
        names << button->accessibleName();
    EXPECT_EQ(names.size(), 4);
    EXPECT_TRUE(names.contains(QStringLiteral("Read again in Spanish")));
}

} // namespace
