// The Spanish chip's magnifier with a real pointer: resting on the chip opens
// it in a popup below, moving into the popup keeps it, leaving both closes it.
#include "reader/FlagChip.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/VoicePicker.h"
#include "support/TestPageServices.h"
#include "support/XTestPointer.h"

#include <QPointer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

QPoint centerOf(const QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }

TEST(VoicePickerHoverTest, ThePointerOpensKeepsAndClosesTheMagnifier) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isOpen());
    TestPageServices pages;
    VoicePicker picker(VoicePicker::Services::standard(pages.audition, pages.flagHover));
    picker.resize(470, 360);
    picker.move(40, 40);
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    pointer.moveTo(QPoint(700, 700));
    QTest::qWait(200);

    FlagChip* spanish = picker.chips()[2];
    pointer.moveTo(centerOf(spanish));
    ASSERT_TRUE(QTest::qWaitFor([&] { return picker.magnifiedID() == QStringLiteral("e"); }, 3000))
        << "resting on the chip did not open the magnifier";
    const QPointer<QWidget> popup = picker.magnifierPopup();
    ASSERT_TRUE(popup);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    EXPECT_GE(popup->geometry().top(), spanish->mapToGlobal(QPoint(0, spanish->height())).y() - 1)
        << "the popup hangs below the chip";
    EXPECT_GE(popup->x(), 0) << "and stays on the screen";
    QTest::qWait(int(2 * FlagChip::kCloseDelay.count()));
    EXPECT_EQ(picker.magnifiedID(), QStringLiteral("e")) << "the pointer still rests on the chip";

    ASSERT_TRUE(popup);
    pointer.moveTo(centerOf(popup));
    QTest::qWait(int(2 * FlagChip::kCloseDelay.count()));
    EXPECT_EQ(picker.magnifiedID(), QStringLiteral("e")) << "the pointer moved into the popup";
    EXPECT_TRUE(pages.flagHover.inside());

    pointer.moveTo(QPoint(900, 900));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picker.magnifiedID(); }, 3000)) << "leaving both closes it";
    EXPECT_FALSE(picker.magnifierPopup());
}

} // namespace
