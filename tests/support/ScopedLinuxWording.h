#pragma once

// For test programs that link the Linux platform layer.
#include "platform/Platform.h"
#include "platform/linux/LinuxWording.h"

// Installs the Linux wording over the current services for its life, so that
// what a test builds or pictures reads as a user here reads it.
class ScopedLinuxWording {
public:
    ScopedLinuxWording() : m_previous(Platform::current()) {
        Platform services = m_previous;
        services.wording = &m_wording;
        Platform::install(services);
    }
    ~ScopedLinuxWording() { Platform::install(m_previous); }
    ScopedLinuxWording(const ScopedLinuxWording&) = delete;
    ScopedLinuxWording& operator=(const ScopedLinuxWording&) = delete;

private:
    LinuxWording m_wording;
    const Platform m_previous;
};
