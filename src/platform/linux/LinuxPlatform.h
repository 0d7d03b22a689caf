#pragma once

#include "platform/Platform.h"

#include <memory>

class LinuxMemoryPressure;
class LinuxOnDeviceModel;
class PulseAudioInput;
class PulseOutputVolume;
class SpeechDispatcherAnnouncer;

// Owns the Linux implementation of every platform service for the life of the program.
class LinuxPlatform {
public:
    LinuxPlatform();
    ~LinuxPlatform();

    Platform services() const;

private:
    std::unique_ptr<SpeechDispatcherAnnouncer> m_announcer;
    std::unique_ptr<LinuxMemoryPressure> m_memoryPressure;
    std::unique_ptr<LinuxOnDeviceModel> m_onDeviceModel;
    std::unique_ptr<PulseAudioInput> m_audioInput;
    std::unique_ptr<PulseOutputVolume> m_outputVolume;
};
