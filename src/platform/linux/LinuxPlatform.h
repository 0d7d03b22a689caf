#pragma once

#include "platform/Platform.h"

#include <memory>

class SpeechDispatcherAnnouncer;

// Owns the Linux implementation of every platform service for the life of the program.
class LinuxPlatform {
public:
    LinuxPlatform();
    ~LinuxPlatform();

    Platform services() const;

private:
    std::unique_ptr<SpeechDispatcherAnnouncer> m_announcer;
};
