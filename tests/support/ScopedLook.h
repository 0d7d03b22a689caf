#pragma once

#include "looks/Appearance.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QString>

// Gives the program its light or dark look for the life of the object, as
// the "appearance" setting does, and the light look again afterwards.
class ScopedLook {
public:
    explicit ScopedLook(bool dark) {
        m_defaults.set(QStringLiteral("appearance"), dark ? QStringLiteral("dark") : QStringLiteral("light"));
        applyStoredAppearance(m_defaults, nullptr);
    }
    ~ScopedLook() {
        m_defaults.set(QStringLiteral("appearance"), QStringLiteral("light"));
        applyStoredAppearance(m_defaults, nullptr);
    }
    ScopedLook(const ScopedLook&) = delete;
    ScopedLook& operator=(const ScopedLook&) = delete;

private:
    TempFolder m_folder;
    Defaults m_defaults{m_folder.file(QStringLiteral("look.json"))};
};
