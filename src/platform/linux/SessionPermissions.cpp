#include "platform/linux/SessionPermissions.h"

#include "platform/Accessibility.h"
#include "platform/Announcer.h"
#include "platform/AudioInput.h"

namespace {
const QString kTurnedOn =
    QStringLiteral("Accessibility is now on for this session, so Quorvane can read and type into other applications.");
}

SessionPermissions::SessionPermissions(AudioInput& audioInput, Accessibility& accessibility, Announcer& announcer)
    : m_audioInput(audioInput), m_accessibility(accessibility), m_announcer(announcer) {}

bool SessionPermissions::microphoneGranted() {
    return m_audioInput.defaultInputDevice().has_value() || !m_audioInput.allDevices().isEmpty();
}

void SessionPermissions::requestMicrophone(std::function<void(bool granted)> answer) {
    // There is nothing to grant on Linux: asking looks again for a device.
    if (answer)
        answer(microphoneGranted());
}

bool SessionPermissions::accessibilityGranted() { return m_accessibility.isTrusted(); }

void SessionPermissions::requestAccessibility(std::function<void(bool granted)> answer) {
    const bool wasOn = m_accessibility.isTrusted();
    m_accessibility.requestTrust([&announcer = m_announcer, wasOn, answer = std::move(answer)](bool on) {
        if (on && !wasOn)
            announcer.announce(kTurnedOn, Announcer::Priority::Medium, nullptr);
        if (answer)
            answer(on);
    });
}
