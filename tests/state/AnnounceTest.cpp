#include "state/Announce.h"
#include "support/FakePlatform.h"

#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

TEST(AnnounceTest, TrimsAndSkipsEmptyMessages) {
    ScopedFakePlatform fakes;
    Announce::say(QStringLiteral(" \n\t "), true);
    EXPECT_TRUE(fakes.announcer.announcements.isEmpty());

    Announce::say(QStringLiteral("   Copied to clipboard\n"), false);
    ASSERT_EQ(fakes.announcer.announcements.size(), 1);
    EXPECT_EQ(fakes.announcer.announcements[0].text, QStringLiteral("Copied to clipboard"));
}

TEST(AnnounceTest, InterruptingMeansHighPriority) {
    ScopedFakePlatform fakes;
    Announce::say(QStringLiteral("now"), true);
    Announce::say(QStringLiteral("later"), false);
    ASSERT_EQ(fakes.announcer.announcements.size(), 2);
    EXPECT_EQ(fakes.announcer.announcements[0].priority, Announcer::Priority::High);
    EXPECT_EQ(fakes.announcer.announcements[1].priority, Announcer::Priority::Medium);
}

TEST(AnnounceTest, BelongsToTheApplicationWithoutAFocusedWindow) {
    ScopedFakePlatform fakes;
    Announce::say(QStringLiteral("hello"), false);
    ASSERT_EQ(fakes.announcer.announcements.size(), 1);
    ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
    EXPECT_EQ(fakes.announcer.announcements[0].window, nullptr);
}

TEST(AnnounceTest, BelongsToTheFocusedWindow) {
    ScopedFakePlatform fakes;
    QWidget window;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        GTEST_SKIP() << "this display gives no window the focus";
    Announce::say(QStringLiteral("hello"), false);
    ASSERT_EQ(fakes.announcer.announcements.size(), 1);
    EXPECT_EQ(fakes.announcer.announcements[0].window, window.windowHandle());
}

} // namespace
