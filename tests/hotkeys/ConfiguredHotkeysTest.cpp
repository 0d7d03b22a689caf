#include "hotkeys/ConfiguredHotkeys.h"
#include "hotkeys/HotkeyManager.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using Key = ModifierTapMonitor::Key;

// A binder over fakes whose actions log what they ran.
struct Binder : testing::Test {
    TempFolder folder;
    Defaults defaults{folder.path() + QStringLiteral("/defaults.json")};
    FakeHotkeys keys;
    HotkeyManager hotkeys{&keys};
    ModifierTapMonitor taps{&keys};
    AppActions actions;
    QStringList ran;
    bool translation = false;
    bool reading = false;

    void SetUp() override {
        AppState::shared().setIsRecording(false);
        const auto log = [this](const char* name) { return [this, name] { ran << QString::fromLatin1(name); }; };
        actions.toggleDictation = log("toggle");
        actions.pasteLast = log("pasteLast");
        actions.readSelection = log("readSelection");
        actions.stopEverything = log("stopEverything");
        actions.readerIsReading = [this] { return reading; };
        actions.translationAvailable = [this] { return translation; };
        actions.translateKeyPressed = log("translate");
        actions.translateDictateKeyPressed = log("translateDictate");
        actions.translateReadKeyPressed = log("translateRead");
    }
    void TearDown() override { AppState::shared().setIsRecording(false); }

    void bind() { registerConfiguredHotkeys(defaults, hotkeys, taps, actions); }
    QList<Key> boundKeys() const {
        QList<Key> keys;
        for (const auto& binding : taps.bindings())
            keys << binding.key;
        return keys;
    }
    // Runs the binding's tap action and the task it starts.
    QStringList tapAction(int index) {
        ran.clear();
        taps.bindings()[index].action();
        EXPECT_TRUE(ran.isEmpty()) << "actions run as tasks, after the callback";
        QCoreApplication::processEvents();
        return ran;
    }
    QStringList pressHotkey(quint32 keyCode, quint32 mods) {
        ran.clear();
        EXPECT_TRUE(keys.press(keyCode, mods));
        QCoreApplication::processEvents();
        return ran;
    }
};

TEST_F(Binder, DefaultsRegisterThreeHotkeysInOrderAndTwoTaps) {
    bind();
    ASSERT_EQ(keys.grabs.size(), 3);
    EXPECT_EQ(boundKeys(), (QList<Key>{Key::RightCommand, Key::RightOption}));
    EXPECT_TRUE(taps.isWatching());

    EXPECT_EQ(pressHotkey(2, 6144), QStringList{QStringLiteral("toggle")});
    EXPECT_EQ(pressHotkey(9, 6144), QStringList{QStringLiteral("pasteLast")});
    EXPECT_EQ(pressHotkey(15, 6144), QStringList{QStringLiteral("readSelection")});
    reading = true;
    EXPECT_EQ(pressHotkey(15, 6144), QStringList{QStringLiteral("stopEverything")});
}

TEST_F(Binder, StoredValuesOfTheWrongTypeOrRangeTakeTheirDefaults) {
    defaults.set(QStringLiteral("dictationKey"), 3);
    defaults.set(QStringLiteral("dictationMods"), QStringLiteral("256"));
    defaults.set(QStringLiteral("pasteLastKey"), 9.5);
    defaults.set(QStringLiteral("readerKey"), -4);
    defaults.set(QStringLiteral("readerMods"), 5000000000.0);
    defaults.set(QStringLiteral("doubleTapDictationKey"), QStringLiteral("RightCommand"));
    defaults.set(QStringLiteral("doubleTapReaderKey"), QStringLiteral("leftCommand"));
    bind();
    ASSERT_EQ(keys.grabs.size(), 3);
    EXPECT_EQ(keys.grabs[0].keyCode, 3u);
    EXPECT_EQ(keys.grabs[0].modifiers, 6144u);
    EXPECT_EQ(keys.grabs[1].keyCode, 9u);
    EXPECT_EQ(keys.grabs[2].keyCode, 15u);
    EXPECT_EQ(keys.grabs[2].modifiers, 6144u);
    EXPECT_EQ(boundKeys(), (QList<Key>{Key::RightCommand, Key::LeftCommand}));
}

TEST_F(Binder, DoubleTapOffStopsWatchingButKeepsHotkeysAndOldBindings) {
    bind();
    defaults.set(QStringLiteral("doubleTapEnabled"), false);
    bind();
    EXPECT_EQ(keys.grabs.size(), 3);
    EXPECT_FALSE(taps.isWatching());
    EXPECT_EQ(taps.bindings().size(), 2);

    defaults.set(QStringLiteral("doubleTapEnabled"), QStringLiteral("no")); // not a Boolean: on
    bind();
    EXPECT_TRUE(taps.isWatching());
}

TEST_F(Binder, BindingTwiceLeavesThreeRegistrationsAndOneWatch) {
    bind();
    bind();
    EXPECT_EQ(keys.grabs.size(), 3);
    EXPECT_EQ(hotkeys.hotKeyRefs().size(), 3);
    EXPECT_EQ(hotkeys.hotKeyRefs().constFirst(), 4u);
    EXPECT_TRUE(taps.isWatching());
}

TEST_F(Binder, TranslationTapsOnlyWithTheTranslator) {
    bind();
    EXPECT_EQ(boundKeys().size(), 2);

    translation = true;
    bind();
    EXPECT_EQ(boundKeys(), (QList<Key>{Key::RightCommand, Key::RightOption, Key::LeftControl, Key::LeftOption}));
    EXPECT_EQ(tapAction(2), QStringList{QStringLiteral("translateDictate")});
    EXPECT_EQ(tapAction(3), QStringList{QStringLiteral("translateRead")});

    AppState::shared().setIsRecording(true);
    EXPECT_EQ(tapAction(2), QStringList{QStringLiteral("toggle")});
    EXPECT_EQ(tapAction(3), QStringList{QStringLiteral("toggle")});
    EXPECT_TRUE(taps.bindings()[2].singleTapWhen());
    AppState::shared().setIsRecording(false);
    reading = true;
    EXPECT_EQ(tapAction(2), QStringList{QStringLiteral("stopEverything")});
    EXPECT_TRUE(taps.bindings()[3].singleTapWhen());
}

TEST_F(Binder, TranslateKeySharedWithDictationOrReaderDropsBothTranslationTaps) {
    translation = true;
    defaults.set(QStringLiteral("doubleTapTranslateKey"), QStringLiteral("rightOption"));
    bind();
    EXPECT_EQ(boundKeys(), (QList<Key>{Key::RightCommand, Key::RightOption}));
}

TEST_F(Binder, TranslateReadKeySharedLeavesOnlyTheSelectionAwareTranslateTap) {
    translation = true;
    defaults.set(QStringLiteral("doubleTapTranslateReadKey"), QStringLiteral("leftControl"));
    bind();
    EXPECT_EQ(boundKeys(), (QList<Key>{Key::RightCommand, Key::RightOption, Key::LeftControl}));
    EXPECT_EQ(tapAction(2), QStringList{QStringLiteral("translate")});
}

TEST_F(Binder, SameKeyForDictationAndReaderRunsBothDictationFirst) {
    defaults.set(QStringLiteral("doubleTapReaderKey"), QStringLiteral("rightCommand"));
    bind();
    ran.clear();
    taps.handle({Hotkeys::KeyEvent::Kind::FlagsChanged, 0x10, 100});
    taps.handle({Hotkeys::KeyEvent::Kind::FlagsChanged, 0, 150});
    taps.handle({Hotkeys::KeyEvent::Kind::FlagsChanged, 0x10, 300});
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, (QStringList{QStringLiteral("toggle"), QStringLiteral("readSelection")}));
}

TEST_F(Binder, SingleTapStopsARecordingDictation) {
    bind();
    EXPECT_FALSE(taps.bindings()[0].singleTapWhen());
    AppState::shared().setIsRecording(true);
    EXPECT_TRUE(taps.bindings()[0].singleTapWhen());
    EXPECT_FALSE(taps.bindings()[1].singleTapWhen());
    reading = true;
    EXPECT_TRUE(taps.bindings()[1].singleTapWhen());
}

TEST_F(Binder, MissingSubsystemsLeaveKeysBoundAndQuiet) {
    AppActions empty;
    registerConfiguredHotkeys(defaults, hotkeys, taps, empty);
    EXPECT_EQ(keys.grabs.size(), 3);
    EXPECT_TRUE(keys.press(2, 6144));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran.isEmpty());
}

} // namespace
