// Global hotkeys and modifier double-taps on a real X display: keys typed
// through XTest reach the program's grabs and its raw key watch.
#include "hotkeys/ConfiguredHotkeys.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/HotkeyRecorderField.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "platform/linux/PostedKeystrokes.h"
#include "platform/linux/X11Hotkeys.h"
#include "platform/linux/XTestKeySynth.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"
#include "support/XTestKeyboard.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }

// The program's key triggers over the real X11 layer, with a dictation that
// only flips the recording flag.
struct DesktopKeys : testing::Test {
    TempFolder folder;
    Defaults defaults{folder.path() + QStringLiteral("/defaults.json")};
    X11Hotkeys x11;
    HotkeyManager hotkeys{&x11};
    ModifierTapMonitor taps{&x11};
    AppActions actions;
    XTestKeyboard keyboard;
    int toggles = 0;

    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
        ASSERT_TRUE(keyboard.isOpen());
        AppState::shared().setIsRecording(false);
        actions.toggleDictation = [this] {
            ++toggles;
            AppState::shared().setIsRecording(!AppState::shared().isRecording());
        };
    }
    void TearDown() override {
        hotkeys.unregisterAll();
        taps.stop();
        AppState::shared().setIsRecording(false);
        if (keyboard.isOpen() && keyboard.numLockOn())
            keyboard.tap("Num_Lock");
    }
    void bind() { registerConfiguredHotkeys(defaults, hotkeys, taps, actions); }
    void controlAltD() {
        keyboard.press("Control_L");
        keyboard.press("Alt_L");
        keyboard.tap("d");
        keyboard.release("Alt_L");
        keyboard.release("Control_L");
    }
    bool waitForToggles(int count) {
        return QTest::qWaitFor([&] { return toggles >= count; }, 3000);
    }
};

TEST_F(DesktopKeys, ControlAltDTogglesDictationAlsoWithNumLockOn) {
    bind();
    ASSERT_EQ(hotkeys.hotKeyRefs().size(), 3);
    EXPECT_TRUE(hotkeys.hotKeyRefs()[0].has_value());

    controlAltD();
    ASSERT_TRUE(waitForToggles(1));
    EXPECT_TRUE(AppState::shared().isRecording());

    keyboard.tap("Num_Lock");
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard.numLockOn(); }, 2000));
    controlAltD();
    ASSERT_TRUE(waitForToggles(2));
    EXPECT_FALSE(AppState::shared().isRecording());

    // Without its modifiers the key is not a hotkey.
    keyboard.tap("d");
    QTest::qWait(200);
    EXPECT_EQ(toggles, 2);
}

TEST_F(DesktopKeys, RightSuperDoubleTapStartsAndASingleTapStops) {
    bind();
    ASSERT_TRUE(taps.isWatching());

    keyboard.tap("Super_R");
    QTest::qWait(150);
    EXPECT_EQ(toggles, 0);
    keyboard.tap("Super_R");
    ASSERT_TRUE(waitForToggles(1));
    EXPECT_TRUE(AppState::shared().isRecording());

    // While recording, one tap stops; the habitual second tap is swallowed.
    QTest::qWait(500);
    keyboard.tap("Super_R");
    keyboard.tap("Super_R");
    ASSERT_TRUE(waitForToggles(2));
    QTest::qWait(300);
    EXPECT_EQ(toggles, 2);
    EXPECT_FALSE(AppState::shared().isRecording());

    // The left key never counts for the right binding, and a key between two
    // taps cancels the first.
    QTest::qWait(500);
    keyboard.tap("Super_L");
    keyboard.tap("Super_L");
    keyboard.tap("Super_R");
    keyboard.tap("x");
    keyboard.tap("Super_R");
    QTest::qWait(400);
    EXPECT_EQ(toggles, 2);
}

TEST_F(DesktopKeys, AFieldRecordsACombinationTheProgramHoldsAndTheHotkeyWorksAgainAfter) {
    bind();
    ASSERT_TRUE(hotkeys.hotKeyRefs()[0].has_value());
    // The field reads its keys through the platform's hotkeys, here the real ones.
    ScopedFakePlatform fakes;
    Platform services = fakes.services();
    services.hotkeys = &x11;
    const Platform previous = Platform::install(services);
    const auto restore = qScopeGuard([&] { Platform::install(previous); });
    HotkeyRecorderField field(QStringLiteral("Start / stop dictation"), 15, 0x100, &hotkeys);
    QSignalSpy edited(&field, &HotkeyRecorderField::edited);
    field.resize(320, 40);
    field.show();
    field.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field, 5000)) << "the field's window never took the keyboard";

    field.button()->click();
    ASSERT_TRUE(field.isRecording());
    controlAltD();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !edited.isEmpty(); }, 3000)) << "the program's grab kept the keys";
    EXPECT_EQ(edited[0][0].toInt(), 2);
    EXPECT_EQ(edited[0][1].toInt(), 6144);
    QTest::qWait(200);
    EXPECT_EQ(toggles, 0) << "recording is not dictating";

    // Recording over, the combination is the program's again.
    ASSERT_TRUE(hotkeys.hotKeyRefs()[0].has_value());
    controlAltD();
    EXPECT_TRUE(waitForToggles(1));
    EXPECT_EQ(edited.size(), 1);
}

TEST_F(DesktopKeys, ACombinationHeldByAnotherProgramLeavesTheOthersWorking) {
    XTestKeyboard other;
    ASSERT_TRUE(other.grabControlAlt("d"));
    bind();
    ASSERT_EQ(hotkeys.hotKeyRefs().size(), 3);
    EXPECT_FALSE(hotkeys.hotKeyRefs()[0].has_value());
    EXPECT_TRUE(hotkeys.hotKeyRefs()[1].has_value());
    EXPECT_TRUE(hotkeys.hotKeyRefs()[2].has_value());

    controlAltD();
    QTest::qWait(300);
    EXPECT_EQ(toggles, 0);
    // Still running, and the double tap still dictates.
    keyboard.tap("Super_R");
    keyboard.tap("Super_R");
    EXPECT_TRUE(waitForToggles(1));
}

TEST_F(DesktopKeys, TakenKeysGoToTheirTakerOnlyPlainAndOnlyUntilReleased) {
    QList<quint32> taken;
    const std::optional<Hotkeys::TakeId> taking = x11.takeKeys({18, 19}, [&](quint32 keyCode) { taken << keyCode; });
    ASSERT_TRUE(taking);
    EXPECT_FALSE(x11.takeKeys({19, 20}, [](quint32) {})) << "a key is taken once";

    keyboard.tap("2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !taken.isEmpty(); }, 3000));
    EXPECT_EQ(taken, (QList<quint32>{19}));
    // With Shift it is another character, and after the release the key is free.
    keyboard.press("Shift_L");
    keyboard.tap("1");
    keyboard.release("Shift_L");
    x11.releaseKeys(*taking);
    keyboard.tap("1");
    QTest::qWait(300);
    EXPECT_EQ(taken, (QList<quint32>{19}));
    // And can be taken again.
    const std::optional<Hotkeys::TakeId> again = x11.takeKeys({20}, [&](quint32 keyCode) { taken << keyCode; });
    ASSERT_TRUE(again);
    keyboard.tap("3");
    EXPECT_TRUE(QTest::qWaitFor([&] { return taken.size() == 2; }, 3000));
    // A press made just before the release, not read yet, is still the taker's.
    keyboard.tap("3");
    x11.releaseKeys(*again);
    EXPECT_EQ(taken, (QList<quint32>{19, 20, 20}));
}

TEST_F(DesktopKeys, TheWatchMarksTheKeysWePostedOurselves) {
    PostedKeystrokes posted;
    X11Hotkeys watched(&posted);
    XTestKeySynth synth(&posted);
    ASSERT_TRUE(synth.canPost());
    QList<Hotkeys::KeyEvent> seen;
    const auto watch = watched.startWatching([&](const Hotkeys::KeyEvent& event) {
        if (event.kind == Hotkeys::KeyEvent::Kind::KeyDown)
            seen << event;
    });
    ASSERT_TRUE(watch);
    QTest::qWait(200); // the selection of raw events settles

    synth.pressBackspace(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 2; }, 3000));
    keyboard.tap("BackSpace");
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 3; }, 3000));
    for (const Hotkeys::KeyEvent& event : std::as_const(seen))
        EXPECT_EQ(event.keyCode, std::optional<quint32>(51));
    EXPECT_TRUE(seen[0].posted);
    EXPECT_TRUE(seen[1].posted);
    EXPECT_FALSE(seen[2].posted) << "the user's Backspace";
    watched.stopWatching(*watch);
}

TEST_F(DesktopKeys, KeyCodesAndNamesFollowTheKeyboard) {
    EXPECT_EQ(x11.keyCodeForNative(keyboard.keyCode("d")), 2u);
    EXPECT_EQ(x11.keyCodeForNative(keyboard.keyCode("F5")), 96u);
    EXPECT_EQ(x11.layoutText(2), QStringLiteral("d"));
    EXPECT_EQ(x11.layoutText(36), QString()); // Return prints nothing

    ScopedFakePlatform fakes;
    Platform services = fakes.services();
    services.hotkeys = &x11;
    const Platform previous = Platform::install(services);
    EXPECT_EQ(HotkeyRecorderField::describe(2, 6144), QStringLiteral("⌃⌥D"));
    EXPECT_EQ(HotkeyRecorderField::keyName(0x2B), QStringLiteral(","));
    Platform::install(previous);
}

} // namespace
