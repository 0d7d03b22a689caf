#pragma once

#include <QString>

#include <chrono>

class AppState;
class BubbleControl;
class ProgramLauncher;

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

// What open() works with; standard() is the running program's.
struct Services {
    ProgramLauncher* launcher = nullptr;
    AppState* state = nullptr;
    BubbleControl* bubble = nullptr;

    static Services standard();
};

// The hint for `destination`, before this desktop's wording is applied.
QString hint(Destination destination);

// Opens the accessibility page of the desktop's settings, GNOME's first, then
// KDE's; when neither starts, the settings application of another desktop.
// False when nothing could be started.
bool openSettings(ProgramLauncher& launcher);

// Opens the accessibility page and flashes the destination's hint for
// kHintShown, also spoken; when only a settings application opens, or
// nothing does, there is no hint.
void open(Destination destination, const Services& services);
void open(Destination destination);

} // namespace SystemAccessibility
