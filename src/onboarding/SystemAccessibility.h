#pragma once

#include <QString>

#include <chrono>

class AppState;
class BubbleControl;
class DesktopSettings;

// The shortcut behind the accessibility buttons of the main window and the
// first run: the program cannot enlarge its own text or click for the user,
// so these send the user to the desktop's accessibility settings and say
// where to click next. GUI thread.
namespace SystemAccessibility {

// Where the user is headed, each with the hint shown once the settings open.
enum class Destination { DwellControl, ZoomAndDisplay, VoiceOver };

// The hint stays longer than other flashes: the user reads it while looking
// for the place it names.
inline constexpr std::chrono::milliseconds kHintShown{7000};

// What open() works with; standard() is the running program's, flashing on
// `bubble`, which must outlive the services.
struct Services {
    DesktopSettings* settings = nullptr;
    AppState* state = nullptr;
    BubbleControl* bubble = nullptr;

    static Services standard(BubbleControl& bubble);
};

// The hint for `destination`, before this desktop's wording is applied.
QString hint(Destination destination);

// Opens the desktop's accessibility settings and, when their page itself
// opened, flashes the destination's hint for kHintShown, also spoken.
void open(Destination destination, const Services& services);

} // namespace SystemAccessibility
