#include "hotkeys/HotkeyManager.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(HotkeyManagerTest, RegistrationsGetIdsThatAreNeverReused) {
    FakeHotkeys keys;
    HotkeyManager manager(&keys);
    int pressed = 0;
    manager.registerHotkey(2, 6144, [&] { ++pressed; });
    manager.registerHotkey(9, 6144, [] {});
    EXPECT_EQ(manager.hotKeyRefs(), (QList<std::optional<quint32>>{1u, 2u}));
    EXPECT_TRUE(keys.press(2, 6144));
    EXPECT_EQ(pressed, 1);

    manager.unregisterAll();
    EXPECT_TRUE(manager.hotKeyRefs().isEmpty());
    EXPECT_TRUE(keys.grabs.isEmpty());
    EXPECT_FALSE(keys.press(2, 6144));

    manager.registerHotkey(2, 6144, [] {});
    EXPECT_EQ(manager.hotKeyRefs(), (QList<std::optional<quint32>>{3u}));
    EXPECT_EQ(manager.nextID(), 4u);
}

TEST(HotkeyManagerTest, ACombinationHeldElsewhereIsSilentlyInactive) {
    FakeHotkeys keys;
    keys.takenElsewhere.insert({2, 6144});
    HotkeyManager manager(&keys);
    bool pressed = false;
    manager.registerHotkey(2, 6144, [&] { pressed = true; });
    manager.registerHotkey(15, 6144, [] {});
    EXPECT_EQ(manager.hotKeyRefs(), (QList<std::optional<quint32>>{std::nullopt, 2u}));
    EXPECT_FALSE(keys.press(2, 6144));
    EXPECT_FALSE(pressed);

    manager.unregisterAll();
    EXPECT_EQ(keys.releases, 1); // only the registration that succeeded
}

TEST(HotkeyManagerTest, AHandlerMayReRegisterWhileItRuns) {
    FakeHotkeys keys;
    HotkeyManager manager(&keys);
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        manager.unregisterAll();
        manager.registerHotkey(2, 6144, again);
    };
    manager.registerHotkey(2, 6144, again);
    EXPECT_TRUE(keys.press(2, 6144));
    EXPECT_TRUE(keys.press(2, 6144));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(manager.hotKeyRefs().size(), 1);
}

TEST(HotkeyManagerTest, SuspendedCombinationsGoBackToTheDesktopUntilTheLastResume) {
    FakeHotkeys keys;
    HotkeyManager manager(&keys);
    int pressed = 0;
    manager.registerHotkey(2, 6144, [&] { ++pressed; });
    manager.suspend();
    manager.suspend();
    EXPECT_TRUE(keys.grabs.isEmpty());
    EXPECT_FALSE(keys.press(2, 6144));
    // Bound anew meanwhile (a settings change): taken only at the resume.
    manager.unregisterAll();
    manager.registerHotkey(9, 6144, [&] { pressed += 10; });
    EXPECT_TRUE(keys.grabs.isEmpty());
    manager.resume();
    EXPECT_TRUE(keys.grabs.isEmpty()) << "one suspension is still held";
    manager.resume();
    EXPECT_EQ(manager.hotKeyRefs(), (QList<std::optional<quint32>>{2u}));
    EXPECT_TRUE(keys.press(9, 6144));
    EXPECT_EQ(pressed, 10);
    manager.resume(); // one too many does nothing
    EXPECT_EQ(keys.grabs.size(), 1);
}

} // namespace
