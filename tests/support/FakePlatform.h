#pragma once

#include "platform/Platform.h"
#include "support/FakeAnnouncer.h"

// One fake of every platform service.
struct FakePlatform {
    FakeAnnouncer announcer;

    Platform services() {
        Platform set;
        set.announcer = &announcer;
        return set;
    }
};

// Installs a fresh set of fakes for the life of the object and restores the
// previous services afterwards.
class ScopedFakePlatform : public FakePlatform {
public:
    ScopedFakePlatform() : m_previous(Platform::install(services())) {}
    ~ScopedFakePlatform() { Platform::install(m_previous); }
    ScopedFakePlatform(const ScopedFakePlatform&) = delete;
    ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;

private:
    Platform m_previous;
};
