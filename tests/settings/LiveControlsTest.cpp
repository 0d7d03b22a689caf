// The picture tiles and the controls built from them: selection, writes and
// pointer reactions.
#include "mainwindow/LiveControls.h"
#include "looks/Paper.h"
#include "mainwindow/LiveSettingsControl.h"
#include "mainwindow/SampleTile.h"
#include "state/MainWindowPane.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/TempFolder.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class LiveControlsTest : public ::testing::Test {
protected:
    // The tile labels of a control, and which one is selected ("" for none).
    static QString selectedLabel(LiveSettingsControl* control) {
        const int index = control->selectedIndex();
        return index < 0 ? QString() : control->tiles().at(index)->text();
    }

    std::unique_ptr<LiveSettingsControl> make(LiveSettingsControl* control) {
        control->resize(560, 200);
        return std::unique_ptr<LiveSettingsControl>(control);
    }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
};

TEST_F(LiveControlsTest, WithNothingStoredTheDefaultsAreSelectedAndNothingIsWritten) {
    const QList<std::pair<LiveSettingsControl*, QString>> rows = {
        {LiveControls::cardStyle(defaults), QStringLiteral("Your words, live")},
        {LiveControls::cardLetters(defaults), QStringLiteral("White on dark")},
        {LiveControls::numbers(defaults), QStringLiteral("Smart")},
        {LiveControls::autoClean(defaults, LiveControls::kCleanupSpoken), QStringLiteral("Balanced")},
        {LiveControls::endWithPeriod(defaults), QStringLiteral("Leave it open")},
        {LiveControls::appearance(defaults), QStringLiteral("System")},
        {LiveControls::selectionChip(defaults), QStringLiteral("Offer cleanup")},
    };
    for (const auto& [control, selected] : rows) {
        auto owned = make(control);
        EXPECT_EQ(selectedLabel(control), selected) << control->key().toStdString();
    }
    EXPECT_FALSE(defaults.contains(LiveControls::kNumberStyle));
}

TEST_F(LiveControlsTest, UnknownTextOrAnotherTypeSelectsNothingUntilATileIsClicked) {
    defaults.set(LiveControls::kNumberStyle, QStringLiteral("Smart"));
    defaults.set(LiveControls::kEndWithPeriod, QStringLiteral("true"));
    defaults.set(LiveControls::kAppearance, 1);
    auto numbers = make(LiveControls::numbers(defaults));
    auto period = make(LiveControls::endWithPeriod(defaults));
    auto appearance = make(LiveControls::appearance(defaults));
    EXPECT_EQ(numbers->selectedIndex(), -1);
    EXPECT_EQ(period->selectedIndex(), -1);
    EXPECT_EQ(appearance->selectedIndex(), -1);

    numbers->tiles().at(2)->click();
    EXPECT_EQ(defaults.string(LiveControls::kNumberStyle), QStringLiteral("digits"));
    EXPECT_EQ(selectedLabel(numbers.get()), QStringLiteral("Digits"));
    period->tiles().at(1)->click();
    EXPECT_EQ(defaults.boolean(LiveControls::kEndWithPeriod), true);
    EXPECT_EQ(selectedLabel(period.get()), QStringLiteral("Finish the sentence"));
}

TEST_F(LiveControlsTest, AClickWritesOnlyItsOwnKeyAndAnotherWriterMovesTheRing) {
    defaults.set(LiveControls::kCardStyle, QStringLiteral("light"));
    auto style = make(LiveControls::cardStyle(defaults));
    auto letters = make(LiveControls::cardLetters(defaults));
    QSignalSpy writes(&defaults, &Defaults::changed);

    style->tiles().at(1)->click();
    ASSERT_EQ(writes.size(), 1);
    EXPECT_EQ(writes.at(0).at(0).toString(), LiveControls::kPreviewStyle);
    EXPECT_EQ(defaults.string(LiveControls::kPreviewStyle), QStringLiteral("pill"));
    EXPECT_EQ(defaults.string(LiveControls::kCardStyle), QStringLiteral("light"));
    EXPECT_EQ(selectedLabel(letters.get()), QStringLiteral("Black on light"));

    // Clicking the selected tile writes the same value again and keeps it selected.
    style->tiles().at(1)->click();
    EXPECT_EQ(writes.size(), 2);
    EXPECT_EQ(selectedLabel(style.get()), QStringLiteral("Just the waveform"));

    defaults.set(LiveControls::kPreviewStyle, QStringLiteral("card"));
    EXPECT_EQ(selectedLabel(style.get()), QStringLiteral("Your words, live"));
}

TEST_F(LiveControlsTest, ASelectedTileDoesNotGrowUnderThePointerAndAnUnselectedOneDoes) {
    auto control = make(LiveControls::appearance(defaults));
    control->show();
    SampleTile* selected = control->tiles().at(0);
    SampleTile* other = control->tiles().at(1);
    ASSERT_TRUE(selected->isSelected());

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(selected, &enter);
    QCoreApplication::sendEvent(other, &enter);
    EXPECT_TRUE(selected->isHovering());
    EXPECT_DOUBLE_EQ(selected->targetScale(), 1.0);
    EXPECT_DOUBLE_EQ(other->targetScale(), SampleTile::kHoverScale);
    ASSERT_TRUE(QTest::qWaitFor([&] { return other->scale() == SampleTile::kHoverScale; }, 1000));
    EXPECT_DOUBLE_EQ(selected->scale(), 1.0);

    // Once chosen it settles back, although the pointer stays on it.
    other->click();
    EXPECT_TRUE(other->isSelected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return other->scale() == 1.0; }, 1000));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(selected, &leave);
    EXPECT_FALSE(selected->isHovering());
}

TEST_F(LiveControlsTest, AClickInTheGapBetweenPictureAndLabelChoosesTheTile) {
    auto control = make(LiveControls::selectionChip(defaults));
    control->show();
    SampleTile* never = control->tiles().at(1);
    const QPoint gap(never->width() / 2, never->sampleHeight() + SampleTile::kSpacing / 2);
    QTest::mouseClick(never, Qt::LeftButton, {}, gap);
    EXPECT_EQ(defaults.boolean(LiveControls::kSelectionChipEnabled), false);
    EXPECT_TRUE(never->isSelected());
}

TEST_F(LiveControlsTest, ATileIsOneAccessibleElementThatIsCheckedWhileSelected) {
    auto control = make(LiveControls::endWithPeriod(defaults));
    control->show();
    QAccessibleInterface* open = QAccessible::queryAccessibleInterface(control->tiles().at(0));
    QAccessibleInterface* finish = QAccessible::queryAccessibleInterface(control->tiles().at(1));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(QAccessible::Name), QStringLiteral("Leave it open"));
    EXPECT_EQ(open->childCount(), 0);
    EXPECT_TRUE(open->state().checked);
    EXPECT_FALSE(finish->state().checked);
}

TEST_F(LiveControlsTest, TheAutoCleanCaptionQuotesWhatWasSpoken) {
    auto control = make(LiveControls::autoClean(defaults, QStringLiteral("hello there")));
    const QList<QLabel*> labels = control->findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels.first()->text(), QStringLiteral("You say: \u201Chello there\u201D"));
}

class DictationSettingsTest : public LiveControlsTest {};

TEST_F(DictationSettingsTest, StoredValuesKeepTheirTypesAndShadesMatchExactly) {
    using namespace DictationSettings;
    defaults.set(kResultCardSeconds, 2.5);
    EXPECT_DOUBLE_EQ(read(defaults, kResultCardSeconds).toDouble(), 2.5);
    // A whole-number setting holding a fraction reads as its default.
    defaults.set(kGlassVariant, 3.5);
    EXPECT_EQ(read(defaults, kGlassVariant), read(Defaults(folder.file(QStringLiteral("fresh.json"))), kGlassVariant));
    defaults.set(kPaperShade, QStringLiteral("Slate"));
    EXPECT_EQ(Paper::shade(defaults), Paper::Shade::Cream);
    defaults.set(kPaperShade, QStringLiteral("slate"));
    EXPECT_EQ(Paper::shade(defaults), Paper::Shade::Slate);

    // A change is what the readers would see differently.
    EXPECT_FALSE(differs(defaults, kGlassVariant, read(defaults, kGlassVariant)));
    EXPECT_TRUE(differs(defaults, kGlassVariant, 4));
    EXPECT_TRUE(differs(defaults, kResultCardSeconds, 3.0));
}

TEST_F(DictationSettingsTest, PageTitlesMapBackExactly) {
    EXPECT_EQ(MainWindowPanes::fromTitle(QStringLiteral("Your voice")), MainWindowPane::Voice);
    EXPECT_EQ(MainWindowPanes::fromTitle(QStringLiteral("your voice")), std::nullopt);
    EXPECT_EQ(MainWindowPanes::fromTitle(QStringLiteral("Settings")), std::nullopt);
}

} // namespace
