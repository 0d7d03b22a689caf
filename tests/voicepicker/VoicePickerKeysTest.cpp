#include "PickerFixture.h"
#include "reader/VoiceCard.h"
#include "reader/VoiceStop.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A window around the picker that records the keys reaching it.
class Host : public QWidget {
public:
    explicit Host(VoicePicker* picker) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(picker);
        resize(460, 420);
    }
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

struct ShownPicker {
    PickerFixture fixture;
    VoicePicker* picker;
    Host host;

    explicit ShownPicker(const QString& stored = QString())
        : fixture(stored), picker(fixture.make().release()), host(picker) {
        host.show();
        host.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&host));
    }
};

TEST(VoicePickerKeysTest, TabReachesEachStopAndArrowsMoveItsCursor) {
    ShownPicker shown;
    VoicePicker& picker = *shown.picker;
    picker.chipRow()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), picker.chipRow());
    EXPECT_EQ(picker.focusStop(), VoiceFocus::Flags);
    EXPECT_FALSE(picker.chipRow()->testAttribute(Qt::WA_MacShowFocusRect));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(picker.language(), QStringLiteral("b"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(shown.fixture.speech.readings.empty()) << "the chip row does not press";
    EXPECT_EQ(shown.host.keys, (QList<int>{Qt::Key_Space, Qt::Key_Return}));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), picker.cardGrid());
    EXPECT_EQ(picker.focusStop(), VoiceFocus::Voices);
    EXPECT_EQ(shown.fixture.focusLines, (QStringList{"focus -> flags", "focus -> voices"}))
        << "moving between the stops is one change";
    EXPECT_GT(picker.cardsPerRow(), 1) << "the shown grid is measured";
    QTest::keyClick(picker.cardGrid(), Qt::Key_Right);
    EXPECT_EQ(picker.voiceCursor(), 1);
    QTest::keyClick(picker.cardGrid(), Qt::Key_Space);
    EXPECT_EQ(shown.fixture.audition.playing(), QStringLiteral("bf_isabella"));
    QTest::keyClick(picker.cardGrid(), Qt::Key_Return);
    EXPECT_EQ(shown.fixture.stored(), QStringLiteral("bf_isabella"));
    EXPECT_EQ(shown.host.keys.size(), 2) << "the grid handles Space and Return itself";
}

TEST(VoicePickerKeysTest, GridColumnsMatchTheCardsPerRowOfTheKeys) {
    ShownPicker shown;
    VoicePicker& picker = *shown.picker;
    const int perRow = picker.cardsPerRow();
    ASSERT_GT(perRow, 1);
    const auto& cards = picker.cards();
    EXPECT_EQ(cards[perRow - 1]->y(), cards[0]->y());
    EXPECT_GT(cards[perRow]->y(), cards[0]->y());
    EXPECT_EQ(cards[perRow]->x(), cards[0]->x());
    EXPECT_GE(cards[0]->width() - 2 * VoiceCard::kMargin, VoicePicker::kCardMinimum);
    EXPECT_LE(cards[0]->width() - 2 * VoiceCard::kMargin, VoicePicker::kCardMaximum);
}

TEST(VoicePickerKeysTest, EscapeClosesAnOpenMagnifierAndOtherwisePassesOn) {
    ShownPicker shown;
    VoicePicker& picker = *shown.picker;
    picker.cardGrid()->setFocus();
    QTest::keyClick(picker.cardGrid(), Qt::Key_Escape);
    EXPECT_EQ(shown.host.keys, QList<int>{Qt::Key_Escape}) << "no magnifier: Escape passes on";

    picker.setMagnifiedID(QStringLiteral("e"));
    ASSERT_NE(picker.magnifierPopup(), nullptr);
    QTest::keyClick(picker.magnifierPopup(), Qt::Key_Escape);
    EXPECT_EQ(picker.magnifiedID(), std::nullopt);
    EXPECT_EQ(shown.host.keys.size(), 1) << "swallowed";

    shown.host.hide();
    picker.setMagnifiedID(QStringLiteral("e"));
    QTest::keyClick(&shown.host, Qt::Key_Escape);
    EXPECT_EQ(picker.magnifiedID(), QStringLiteral("e")) << "no filter while the chip row is not shown";
}

TEST(VoicePickerKeysTest, StopsAreSingleAccessibleElementsWithTheirTexts) {
    ShownPicker shown(QStringLiteral("af_sarah"));
    VoicePicker& picker = *shown.picker;
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(picker.chipRow());
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(picker.cardGrid());
    ASSERT_TRUE(row && grid);
    EXPECT_EQ(row->childCount(), 0) << "the chips are hidden";
    EXPECT_EQ(grid->childCount(), 0) << "the cards are hidden";
    EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("Language"));
    EXPECT_EQ(row->text(QAccessible::Value), QStringLiteral("American, 9 voices"));
    EXPECT_EQ(grid->text(QAccessible::Name), QStringLiteral("American voices"));
    EXPECT_EQ(grid->text(QAccessible::Value), QStringLiteral("Wren, American, warm (default)"));
    EXPECT_TRUE(row->state().focusable);
    const QAccessibleInterface* pickerInterface = QAccessible::queryAccessibleInterface(&picker);
    EXPECT_GE(pickerInterface->indexOfChild(row), 0);
    EXPECT_GE(pickerInterface->indexOfChild(grid), 0);

    QAccessibleActionInterface* rowActions = row->actionInterface();
    QAccessibleActionInterface* gridActions = grid->actionInterface();
    ASSERT_TRUE(rowActions && gridActions);
    EXPECT_FALSE(rowActions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    EXPECT_TRUE(gridActions->actionNames().contains(QAccessibleActionInterface::pressAction()));

    rowActions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(picker.language(), QStringLiteral("a")) << "no wrap at the first chip";
    rowActions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(row->text(QAccessible::Value), QStringLiteral("British, 4 voices"));
    EXPECT_EQ(grid->text(QAccessible::Name), QStringLiteral("British voices"));
    rowActions->doAction(QAccessibleActionInterface::decreaseAction());

    gridActions->doAction(QAccessibleActionInterface::increaseAction());
    gridActions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(grid->text(QAccessible::Value), QStringLiteral("Hazel, American, even, your reading voice"));
    gridActions->doAction(QAccessibleActionInterface::decreaseAction());
    gridActions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(shown.fixture.audition.playing(), QStringLiteral("af_bella"));
    gridActions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(shown.fixture.stored(), QStringLiteral("af_bella"));
    EXPECT_EQ(grid->text(QAccessible::Value), QStringLiteral("Lark, American, bright, your reading voice"));
}

} // namespace
