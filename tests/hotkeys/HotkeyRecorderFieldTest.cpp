#include "hotkeys/HotkeyRecorderField.h"
#include "support/FakePlatform.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(HotkeyRecorderFieldTest, DescribeOrdersModifierSymbolsBeforeTheKey) {
    ScopedFakePlatform fakes;
    fakes.hotkeys.layout.insert(2, QStringLiteral("d"));
    EXPECT_EQ(HotkeyRecorderField::describe(2, 6144), QStringLiteral("⌃⌥D"));
    EXPECT_EQ(HotkeyRecorderField::describe(96, 0x200 | 0x100), QStringLiteral("⇧⌘F5"));
    EXPECT_EQ(HotkeyRecorderField::describe(2, 0x100 | 0x200 | 0x800 | 0x1000), QStringLiteral("⌃⌥⇧⌘D"));
}

TEST(HotkeyRecorderFieldTest, KeyNamesComeFromTheTableThenTheLayout) {
    ScopedFakePlatform fakes;
    EXPECT_EQ(HotkeyRecorderField::keyName(122), QStringLiteral("F1"));
    EXPECT_EQ(HotkeyRecorderField::keyName(123), QStringLiteral("←"));

    fakes.hotkeys.layout.insert(12, QStringLiteral("a")); // an AZERTY layout's key at Q
    fakes.hotkeys.layout.insert(41, QStringLiteral("ñ"));
    fakes.hotkeys.layout.insert(7, QStringLiteral("xxxxxx"));
    EXPECT_EQ(HotkeyRecorderField::keyName(12), QStringLiteral("A"));
    EXPECT_EQ(HotkeyRecorderField::keyName(41), QStringLiteral("Ñ"));
    EXPECT_EQ(HotkeyRecorderField::keyName(7), QStringLiteral("XXXX"));
    // Without a layout's answer, the US keyboard's print names the key.
    EXPECT_EQ(HotkeyRecorderField::keyName(2), QStringLiteral("D"));
    EXPECT_EQ(HotkeyRecorderField::keyName(0x2A), QStringLiteral("\\"));
    EXPECT_EQ(HotkeyRecorderField::keyName(0x32), QStringLiteral("`"));
    EXPECT_EQ(HotkeyRecorderField::keyName(0x0A), QStringLiteral("Key 10"));
    EXPECT_EQ(HotkeyRecorderField::keyName(0x6E), QStringLiteral("Key 110"));
    EXPECT_EQ(HotkeyRecorderField::keyName(70000), QStringLiteral("Key 70000"));
}

TEST(HotkeyRecorderFieldTest, RecordsTheNextKeyPressWithItsModifiers) {
    ScopedFakePlatform fakes;
    fakes.hotkeys.nativeToKeyCode.insert(40, 2); // the D key
    fakes.hotkeys.nativeToKeyCode.insert(9, 53); // Escape
    fakes.hotkeys.layout.insert(2, QStringLiteral("d"));
    HotkeyRecorderField field(QStringLiteral("Dictation"), 15, 0x100);
    field.show();
    QSignalSpy edited(&field, &HotkeyRecorderField::edited);
    EXPECT_GE(field.button()->minimumWidth(), 110);

    field.button()->click();
    EXPECT_TRUE(field.isRecording());
    EXPECT_EQ(field.button()->text(), QStringLiteral("Press keys..."));

    // A modifier alone records nothing.
    QKeyEvent control(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 37, 0xffe3, 0x4);
    QCoreApplication::sendEvent(&field, &control);
    EXPECT_TRUE(field.isRecording());

    QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier, 40, 0x64,
                    0xc);
    QCoreApplication::sendEvent(&field, &press);
    EXPECT_TRUE(press.isAccepted());
    EXPECT_FALSE(field.isRecording());
    ASSERT_EQ(edited.size(), 1);
    EXPECT_EQ(edited[0][0].toInt(), 2);
    EXPECT_EQ(edited[0][1].toInt(), 6144);
    EXPECT_EQ(field.button()->text(), QStringLiteral("⌃⌥D"));

    // Escape is recorded, not a cancel.
    field.button()->click();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 9, 0xff1b, 0);
    QCoreApplication::sendEvent(&field, &escape);
    EXPECT_EQ(field.button()->text(), QStringLiteral("Esc"));

    // A second click stops without changing the combination; hiding stops too.
    field.button()->click();
    field.button()->click();
    EXPECT_FALSE(field.isRecording());
    EXPECT_EQ(field.keyCode(), 53);
    field.button()->click();
    field.hide();
    EXPECT_FALSE(field.isRecording());
    EXPECT_EQ(edited.size(), 2);
}

TEST(HotkeyRecorderFieldTest, OnlyShiftControlAltAndSuperEnterTheMask) {
    EXPECT_EQ(HotkeyRecorderField::modifierMask(Qt::ShiftModifier), 0x200);
    EXPECT_EQ(HotkeyRecorderField::modifierMask(Qt::MetaModifier), 0x100);
    EXPECT_EQ(HotkeyRecorderField::modifierMask(Qt::KeypadModifier | Qt::GroupSwitchModifier), 0);
}

} // namespace
