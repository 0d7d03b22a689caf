#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/SpeechDispatcherAnnouncer.h"

LinuxPlatform::LinuxPlatform()
    : m_announcer(std::make_unique<SpeechDispatcherAnnouncer>()) {}

LinuxPlatform::~LinuxPlatform() = default;

Platform LinuxPlatform::services() const {
    Platform services;
    services.announcer = m_announcer.get();
    return services;
}
