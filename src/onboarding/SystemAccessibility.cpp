#include "onboarding/SystemAccessibility.h"

#include "dictation/FlashMessage.h"
#include "platform/DesktopSettings.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "state/AppState.h"

namespace SystemAccessibility {

Services Services::standard(BubbleControl& bubble) {
    Services services;
    services.settings = Platform::current().desktopSettings;
    services.state = &AppState::shared();
    services.bubble = &bubble;
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

void open(Destination destination, const Services& services) {
    // Without the page itself there is no place for a hint to name.
    if (!services.settings || services.settings->openAccessibility() != DesktopSettings::Opened::AccessibilityPage)
        return;
    if (services.state)
        flashMessage(*services.state, services.bubble, Wording::of(hint(destination)), kHintShown);
}

} // namespace SystemAccessibility
