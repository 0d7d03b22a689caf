#include "platform/linux/SessionPermissions.h"
#include "support/FakeAccessibility.h"
#include "support/FakeAnnouncer.h"
#include "support/FakeAudioInput.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(SessionPermissionsTest, TheMicrophoneIsThereWhenAnInputDeviceIsAndAskingLooksAgain) {
    FakeAudioInput audio;
    FakeAccessibility accessibility;
    FakeAnnouncer announcer;
    SessionPermissions permissions(audio, accessibility, announcer);
    EXPECT_FALSE(permissions.microphoneGranted());
    std::optional<bool> answer;
    permissions.requestMicrophone([&](bool granted) { answer = granted; });
    EXPECT_EQ(answer, false);

    audio.devices.append({7, QStringLiteral("Harness Mic"), 1});
    permissions.requestMicrophone([&](bool granted) { answer = granted; });
    EXPECT_EQ(answer, true) << "a device plugged in since is found on asking";
    EXPECT_TRUE(permissions.microphoneGranted());
}

TEST(SessionPermissionsTest, AskingForAccessibilityTurnsItOnAndSaysSoOnce) {
    FakeAudioInput audio;
    FakeAccessibility accessibility;
    FakeAnnouncer announcer;
    accessibility.trusted = false;
    SessionPermissions permissions(audio, accessibility, announcer);
    EXPECT_FALSE(permissions.accessibilityGranted());
    std::optional<bool> answer;
    permissions.requestAccessibility([&](bool granted) { answer = granted; });
    EXPECT_EQ(accessibility.trustRequests, 1);
    EXPECT_EQ(answer, true);
    EXPECT_TRUE(permissions.accessibilityGranted());
    ASSERT_EQ(announcer.announcements.size(), 1);
    EXPECT_EQ(announcer.announcements[0].text,
              QStringLiteral(
                  "Accessibility is now on for this session, so Quorvane can read and type into other applications."));

    // Already on: asking again changes nothing the user needs to hear.
    permissions.requestAccessibility({});
    EXPECT_EQ(announcer.announcements.size(), 1);
}

TEST(SessionPermissionsTest, ASessionThatRefusesIsNeverToldAccessibilityIsOn) {
    FakeAudioInput audio;
    FakeAccessibility accessibility;
    FakeAnnouncer announcer;
    accessibility.trusted = false;
    accessibility.refuses = true;
    SessionPermissions permissions(audio, accessibility, announcer);
    std::optional<bool> answer;
    permissions.requestAccessibility([&](bool granted) { answer = granted; });
    EXPECT_EQ(answer, false);
    EXPECT_FALSE(permissions.accessibilityGranted());
    EXPECT_TRUE(announcer.announcements.isEmpty());
}

} // namespace
