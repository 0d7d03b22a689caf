#pragma once

#include <QIcon>
#include <QString>

class Defaults;
class QWidget;

// Whether the program shows in the taskbar (a regular program) or lives in the
// tray only (an accessory), and the program's icon art matched to the light or
// dark look. An accessory's windows skip the taskbar; a regular program's
// windows that can be the main window show there (panels never do). Writes
// what it does to "Quorvane-dock.log" in the user's log folder. GUI thread only.
namespace DockIcon {

enum class Policy { Regular = 0, Accessory = 1, Prohibited = 2 };

// (Re)installs the observers and applies the art, decoded off the GUI thread
// the first time. The observers also give each
// window that is about to show its taskbar place under the current policy.
void start();
void stop();
// Regular when "showInDock" is on or a main window is showing, else accessory;
// then re-applies the art.
void refreshPolicy();
void refreshPolicy(const Defaults& defaults);
// Sets the policy (logging a change) and gives every window of the program its
// taskbar place under it.
void setPolicy(Policy policy);
// Applies the art for the current look; `reason` goes into the log.
void apply(const QString& reason);

Policy policy();
bool isDark();
// A window that can be the main window: a top-level window the window manager
// handles, not a dialog, panel, popup or the tray icon's own window.
bool canBecomeMain(const QWidget& window);
// A visible window that can be the main window.
bool hasRealWindow();
// "dock-dark.png" or "dock-light.png"; a failed load is not remembered.
QIcon art(bool dark);
// The number of observers installed by start().
int observerCount();
QString logPath();

} // namespace DockIcon
