#pragma once

#include "platform/PermissionProvider.h"

class Accessibility;
class Announcer;
class AudioInput;

// The permissions as a Linux session grants them: the microphone is there when
// PulseAudio lists an input device; accessibility is the session's AT-SPI flag
// (org.a11y.Status IsEnabled), which asking turns on; it is announced only
// once the flag reads back on, since a session may refuse it.
class SessionPermissions : public PermissionProvider {
public:
    SessionPermissions(AudioInput& audioInput, Accessibility& accessibility, Announcer& announcer);

    bool microphoneGranted() override;
    void requestMicrophone(std::function<void(bool granted)> answer) override;
    bool accessibilityGranted() override;
    void requestAccessibility(std::function<void(bool granted)> answer) override;

private:
    AudioInput& m_audioInput;
    Accessibility& m_accessibility;
    Announcer& m_announcer;
};
