#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/LinuxMemoryPressure.h"
#include "platform/linux/LinuxOnDeviceModel.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseOutputVolume.h"
#include "platform/linux/SpeechDispatcherAnnouncer.h"

LinuxPlatform::LinuxPlatform()
    : m_announcer(std::make_unique<SpeechDispatcherAnnouncer>()),
      m_memoryPressure(std::make_unique<LinuxMemoryPressure>()),
      m_onDeviceModel(std::make_unique<LinuxOnDeviceModel>()),
      m_audioInput(std::make_unique<PulseAudioInput>()),
      m_outputVolume(std::make_unique<PulseOutputVolume>()) {}

LinuxPlatform::~LinuxPlatform() = default;

Platform LinuxPlatform::services() const {
    Platform services;
    services.announcer = m_announcer.get();
    services.memoryPressure = m_memoryPressure.get();
    services.onDeviceModel = m_onDeviceModel.get();
    services.audioInput = m_audioInput.get();
    services.outputVolume = m_outputVolume.get();
    return services;
}
