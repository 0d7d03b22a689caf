// The accessibility flag as AtspiAccessibility sees it, against a stand-in for
// the desktop's accessibility bus launcher on a private D-Bus daemon. The
// stand-in answers only while the event loop runs: a check that waited for the
// bus would never see its answer.
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/SessionPermissions.h"

#include "support/FakeAnnouncer.h"
#include "support/FakeAudioInput.h"
#include "support/PrivateSessionBus.h"

#include <QDBusMessage>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

// org.a11y.Status at /org/a11y/bus, with the IsEnabled property.
class StatusService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool IsEnabled READ isEnabled WRITE setEnabled)
public:
    bool isEnabled() const { return enabled; }
    void setEnabled(bool on) {
        ++sets;
        if (!refuses)
            enabled = on;
    }

    bool enabled = false;
    bool refuses = false;
    int sets = 0;
};

class AtspiTrustTest : public testing::Test {
protected:
    void SetUp() override {
        if (!bus.start())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(bus.connected());
        ASSERT_TRUE(bus.serveAccessibilityBus(status));
    }
    void TearDown() override { bus.stop(QStringLiteral("/org/a11y/bus"), status); }

    // The flag changed by another program, as the bus launcher reports it.
    void changeElsewhere(bool on) {
        status.enabled = on;
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/a11y/bus"),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.a11y.Status") << QVariantMap{{QStringLiteral("IsEnabled"), on}} << QStringList();
        bus.service().send(signal);
    }

    StatusService status;
    PrivateSessionBus bus;
};

TEST_F(AtspiTrustTest, TheFlagIsAnsweredFromWhatWasLastHeard) {
    status.enabled = true;
    AtspiAccessibility accessibility(nullptr, bus.client());
    ASSERT_TRUE(QTest::qWaitFor([&] { return accessibility.isTrusted(); }, 5000));

    // Switched off behind its back, with the bus not answering meanwhile: the
    // answer comes from the cache, and the next turn of the loop refreshes it.
    status.enabled = false;
    EXPECT_TRUE(accessibility.isTrusted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !accessibility.isTrusted(); }, 5000));
}

TEST_F(AtspiTrustTest, AChangeAnnouncedOnTheBusReachesTheCache) {
    AtspiAccessibility accessibility(nullptr, bus.client());
    changeElsewhere(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return accessibility.isTrusted(); }, 5000));
    changeElsewhere(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !accessibility.isTrusted(); }, 5000));
}

TEST_F(AtspiTrustTest, AskingTurnsTheFlagOnWithoutWaitingForTheBus) {
    AtspiAccessibility accessibility(nullptr, bus.client());
    QTest::qWait(50);
    EXPECT_FALSE(accessibility.isTrusted());

    std::optional<bool> answer;
    accessibility.requestTrust([&](bool on) { answer = on; });
    EXPECT_EQ(status.sets, 0); // not answered yet: nothing waited for it
    EXPECT_FALSE(answer.has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
    EXPECT_TRUE(*answer);
    EXPECT_TRUE(status.enabled);
    EXPECT_TRUE(accessibility.isTrusted());
}

// A session may take the call and keep the flag off: nothing may claim it is
// on, at any moment.
TEST_F(AtspiTrustTest, ARefusalIsAnsweredAndTheFlagNeverReadsOn) {
    status.refuses = true;
    AtspiAccessibility accessibility(nullptr, bus.client());
    std::optional<bool> answer;
    accessibility.requestTrust([&](bool on) { answer = on; });
    EXPECT_FALSE(accessibility.isTrusted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
    EXPECT_FALSE(*answer);
    EXPECT_EQ(status.sets, 1);
    EXPECT_FALSE(accessibility.isTrusted());

    // Without a session bus there is nobody to ask.
    AtspiAccessibility alone(nullptr, QDBusConnection(QStringLiteral("no bus")));
    answer.reset();
    alone.requestTrust([&](bool on) { answer = on; });
    EXPECT_EQ(answer, false);
    EXPECT_FALSE(alone.isTrusted());
}

// The onboarding's request on such a session: no "now on" is spoken, and the
// answer sends the user to the settings.
TEST_F(AtspiTrustTest, TheOnboardingRequestOnARefusingSessionAnnouncesNothing) {
    status.refuses = true;
    AtspiAccessibility accessibility(nullptr, bus.client());
    FakeAudioInput audio;
    FakeAnnouncer announcer;
    SessionPermissions permissions(audio, accessibility, announcer);
    std::optional<bool> answer;
    permissions.requestAccessibility([&](bool granted) { answer = granted; });
    EXPECT_FALSE(permissions.accessibilityGranted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
    EXPECT_FALSE(*answer);
    QTest::qWait(50);
    EXPECT_TRUE(announcer.announcements.isEmpty());
    EXPECT_FALSE(permissions.accessibilityGranted());

    status.refuses = false;
    answer.reset();
    permissions.requestAccessibility([&](bool granted) { answer = granted; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
    EXPECT_TRUE(*answer);
    EXPECT_EQ(announcer.announcements.size(), 1);
}

} // namespace

#include "AtspiTrustTest.moc"
