#include "hotkeys/ModifierTapMonitor.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

using Key = ModifierTapMonitor::Key;
using Event = Hotkeys::KeyEvent;

// A monitor with one binding per key given, counting actions.
struct Taps {
    FakeHotkeys keys;
    ModifierTapMonitor monitor{&keys};
    QList<QString> fired;
    bool singleTap = false;

    explicit Taps(const QList<Key>& bound) {
        QList<ModifierTapMonitor::Entry> entries;
        for (int i = 0; i < bound.size(); ++i) {
            const QString name = ModifierTapMonitor::toString(bound[i]) + QString::number(i);
            entries.append({bound[i], [this, name] { fired << name; }, [this] { return singleTap; }});
        }
        monitor.setBindings(entries);
    }
    void flags(quint32 flags, quint32 t) { monitor.handle({Event::Kind::FlagsChanged, flags, t}); }
    void keyDown(quint32 t) { monitor.handle({Event::Kind::KeyDown, 0, t}); }
    // Press and release of one modifier.
    void tap(quint32 mask, quint32 t) {
        flags(mask, t);
        flags(0, t + 50);
    }
};

TEST(ModifierTapMonitorTest, TwoPressesActUpToFourHundredMillisecondsApart) {
    Taps taps({Key::RightCommand});
    taps.tap(0x10, 1000);
    EXPECT_TRUE(taps.fired.isEmpty());
    taps.tap(0x10, 1400); // exactly 0.4 s still counts
    EXPECT_EQ(taps.fired.size(), 1);
    // The third press starts over, and one a millisecond too late is a new first tap.
    taps.tap(0x10, 1500);
    taps.tap(0x10, 1901);
    EXPECT_EQ(taps.fired.size(), 1);
    taps.tap(0x10, 2200); // counts from the press at 1901
    EXPECT_EQ(taps.fired.size(), 2);
}

TEST(ModifierTapMonitorTest, ReleasesAndHeldKeysAreNotTaps) {
    Taps taps({Key::RightCommand});
    taps.flags(0x10, 1000);
    taps.flags(0x10, 1100); // still held (another modifier event)
    taps.flags(0x10 | 0x20, 1150);
    taps.flags(0, 1200); // release
    EXPECT_TRUE(taps.fired.isEmpty());
    taps.flags(0x10, 1300);
    EXPECT_EQ(taps.fired.size(), 1);
}

TEST(ModifierTapMonitorTest, AnOrdinaryKeyCancelsEveryPendingTap) {
    Taps taps({Key::RightCommand, Key::LeftOption});
    taps.tap(0x10, 1000);
    taps.tap(0x20, 1010);
    taps.keyDown(1100); // e.g. Command-C
    taps.tap(0x10, 1200);
    taps.tap(0x20, 1210);
    EXPECT_TRUE(taps.fired.isEmpty());
}

TEST(ModifierTapMonitorTest, OnlyTheBoundSideCountsAndOtherModifiersBetweenTapsDoNotCancel) {
    Taps taps({Key::RightCommand});
    taps.tap(0x08, 1000); // left Command
    taps.tap(0x08, 1100);
    EXPECT_TRUE(taps.fired.isEmpty());
    taps.tap(0x10, 2000);
    taps.tap(0x01, 2100);           // left Control
    taps.flags(0x10 | 0x200, 2200); // right Command pressed while Shift-like bits are set
    EXPECT_EQ(taps.fired.size(), 1);
}

TEST(ModifierTapMonitorTest, ASingleTapActsAtItsReleaseAndSwallowsTheNextPress) {
    Taps taps({Key::RightCommand});
    taps.singleTap = true;
    taps.flags(0x10, 1000);
    EXPECT_TRUE(taps.fired.isEmpty());
    taps.flags(0, 1050);
    EXPECT_EQ(taps.fired.size(), 1);
    taps.singleTap = false;
    taps.tap(0x10, 1200); // within 0.4 s of the acting press: ignored
    taps.tap(0x10, 1399); // still inside
    EXPECT_EQ(taps.fired.size(), 1);
    taps.tap(0x10, 1400); // first tap again
    EXPECT_EQ(taps.fired.size(), 1);
    taps.tap(0x10, 1500);
    EXPECT_EQ(taps.fired.size(), 2);
}

TEST(ModifierTapMonitorTest, AModifierHeldForAShortcutIsNoSingleTap) {
    // Control-Alt-D stops a take through its own hotkey; its Control must not
    // also count as a tap of a Control binding.
    Taps taps({Key::LeftControl});
    taps.singleTap = true;
    taps.flags(0x01, 1000);
    taps.flags(0x01 | 0x20, 1010);
    taps.keyDown(1030);
    taps.flags(0x01, 1080);
    taps.flags(0, 1090);
    EXPECT_TRUE(taps.fired.isEmpty());

    // Nor does a tap whose condition ended while the key was held.
    taps.flags(0x01, 2000);
    taps.singleTap = false;
    taps.flags(0, 2050);
    EXPECT_TRUE(taps.fired.isEmpty());
}

TEST(ModifierTapMonitorTest, TwoBindingsOnOneKeyBothActInOrder) {
    Taps taps({Key::RightCommand, Key::RightCommand});
    taps.tap(0x10, 1000);
    taps.tap(0x10, 1200);
    EXPECT_EQ(taps.fired, (QList<QString>{QStringLiteral("rightCommand0"), QStringLiteral("rightCommand1")}));
}

TEST(ModifierTapMonitorTest, TimesNearZeroAndAcrossTheWrapWork) {
    Taps fresh({Key::RightCommand});
    fresh.tap(0x10, 0); // a fresh X server starts its clock near 0
    fresh.tap(0x10, 300);
    EXPECT_EQ(fresh.fired.size(), 1);

    Taps wrapping({Key::RightCommand});
    wrapping.tap(0x10, 0xFFFFFF00u);
    wrapping.flags(0x10, 0x40u); // 0x140 ms later, after the wrap
    EXPECT_EQ(wrapping.fired.size(), 1);
}

TEST(ModifierTapMonitorTest, StartWatchesOnlyWithBindings) {
    FakeHotkeys keys;
    ModifierTapMonitor monitor(&keys);
    monitor.start();
    EXPECT_FALSE(monitor.isWatching());
    EXPECT_EQ(keys.watchStarts, 0);

    int fired = 0;
    monitor.setBindings({{Key::LeftControl, [&] { ++fired; }, [] { return false; }}});
    monitor.start();
    monitor.start();
    EXPECT_TRUE(monitor.isWatching());
    ASSERT_TRUE(keys.watch);
    keys.watch({Event::Kind::FlagsChanged, 0x01, 10});
    keys.watch({Event::Kind::FlagsChanged, 0, 20});
    keys.watch({Event::Kind::FlagsChanged, 0x01, 30});
    EXPECT_EQ(fired, 1);

    monitor.stop();
    EXPECT_FALSE(keys.watch);
    EXPECT_EQ(monitor.bindings().size(), 1); // bindings stay

    monitor.setBindings({});
    monitor.start();
    EXPECT_FALSE(monitor.isWatching());
}

} // namespace
