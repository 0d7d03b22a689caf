#include "onboarding/SystemAccessibility.h"

#include "dictation/BubblePanel.h"
#include "platform/Platform.h"
#include "platform/ProgramLauncher.h"
#include "platform/Wording.h"
#include "state/Announce.h"
#include "state/AppState.h"

namespace SystemAccessibility {

namespace {

struct Launch {
    const char* program;
    const char* argument;
};

// The accessibility page itself, in the order tried: GNOME's settings panel,
// then KDE's settings module.
constexpr Launch kAccessibilityPages[] = {
    {"gnome-control-center", "universal-access"},
    {"systemsettings", "kcm_access"},
};

// The settings application of the other desktops, opened at its start page.
constexpr Launch kSettingsApps[] = {
    {"xfce4-settings-manager", nullptr},
    {"mate-control-center", nullptr},
    {"cinnamon-settings", nullptr},
    {"lxqt-config", nullptr},
};

template <std::size_t N>
bool startFirst(ProgramLauncher& launcher, const Launch (&launches)[N]) {
    for (const Launch& launch : launches) {
        QStringList arguments;
        if (launch.argument)
            arguments << QString::fromLatin1(launch.argument);
        if (launcher.startDetached(QString::fromLatin1(launch.program), arguments))
            return true;
    }
    return false;
}

} // namespace

Services Services::standard() {
    Services services;
    services.launcher = Platform::current().programLauncher;
    services.state = &AppState::shared();
    services.bubble = &BubblePanel::shared();
    return services;
}

QString hint(Destination destination) {
    switch (destination) {
    case Destination::DwellControl:
        return QStringLiteral("Open Pointer Control, then Dwell Control, to click by resting the pointer.");
    case Destination::ZoomAndDisplay:
        return QStringLiteral("Zoom and Display are under Vision. Display scaling is in Displays, not here.");
    case Destination::VoiceOver:
        return QStringLiteral("VoiceOver is under Vision. Command F5 also turns it on and off.");
    }
    return QString();
}

bool openSettings(ProgramLauncher& launcher) {
    return startFirst(launcher, kAccessibilityPages) || startFirst(launcher, kSettingsApps);
}

void open(Destination destination, const Services& services) {
    if (!services.launcher)
        return;
    if (!startFirst(*services.launcher, kAccessibilityPages)) {
        // No page to point into: the settings application, and no hint.
        (void)startFirst(*services.launcher, kSettingsApps);
        return;
    }
    const QString message = Wording::of(hint(destination));
    if (services.state)
        services.state->setFlashMessage(message);
    if (services.bubble)
        services.bubble->show(BubbleMode::Flash);
    Announce::say(message, false);
    // Replaces any hide already pending, so the hint gets its full time.
    if (services.bubble)
        services.bubble->scheduleHide(kHintShown);
}

void open(Destination destination) {
    open(destination, Services::standard());
}

} // namespace SystemAccessibility
