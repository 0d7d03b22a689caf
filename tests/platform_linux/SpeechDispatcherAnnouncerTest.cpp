// Announcements against a stand-in for the desktop's accessibility bus
// launcher on a private D-Bus daemon. The stand-in answers only while the
// event loop runs, so an announcement that waited for the bus would give up
// before the answer came and never be spoken.
#include "platform/linux/SpeechDispatcherAnnouncer.h"

#include "support/PrivateSessionBus.h"

#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

// org.a11y.Status at /org/a11y/bus, with the ScreenReaderEnabled property.
class ScreenReaderStatus : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool ScreenReaderEnabled READ screenReaderEnabled)
public:
    bool screenReaderEnabled() const {
        ++reads;
        return running;
    }

    bool running = false;
    mutable int reads = 0;
};

class SpeechDispatcherAnnouncerTest : public testing::Test {
protected:
    void SetUp() override {
        if (!bus.start())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(bus.connected());
        ASSERT_TRUE(bus.serveAccessibilityBus(status));
    }
    void TearDown() override { bus.stop(QStringLiteral("/org/a11y/bus"), status); }

    SpeechDispatcherAnnouncer::Speak recorder() {
        return [this](const QString& text, Announcer::Priority priority) { spoken.append({text, priority}); };
    }

    ScreenReaderStatus status;
    PrivateSessionBus bus;
    QList<std::pair<QString, Announcer::Priority>> spoken;
};

TEST_F(SpeechDispatcherAnnouncerTest, AnAnnouncementIsSpokenWhenTheBusSaysAScreenReaderRuns) {
    status.running = true;
    SpeechDispatcherAnnouncer announcer(bus.client(), recorder());
    announcer.announce(QStringLiteral("Copied"), Announcer::Priority::Medium, nullptr);
    announcer.announce(QStringLiteral("Saved"), Announcer::Priority::High, nullptr);
    // Nothing was waited for: the bus has not been heard yet.
    EXPECT_TRUE(spoken.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return spoken.size() == 2; }, 5000));
    EXPECT_EQ(spoken.at(0), std::pair(QStringLiteral("Copied"), Announcer::Priority::Medium));
    EXPECT_EQ(spoken.at(1), std::pair(QStringLiteral("Saved"), Announcer::Priority::High));
}

TEST_F(SpeechDispatcherAnnouncerTest, WithoutAScreenReaderOrABusNothingIsSpoken) {
    SpeechDispatcherAnnouncer announcer(bus.client(), recorder());
    announcer.announce(QStringLiteral("Copied"), Announcer::Priority::Medium, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.reads == 1; }, 5000));
    QTest::qWait(50);
    EXPECT_TRUE(spoken.isEmpty());

    SpeechDispatcherAnnouncer alone(QDBusConnection(QStringLiteral("no bus")), recorder());
    alone.announce(QStringLiteral("Copied"), Announcer::Priority::Medium, nullptr);
    QTest::qWait(50);
    EXPECT_TRUE(spoken.isEmpty());
}

} // namespace

#include "SpeechDispatcherAnnouncerTest.moc"
