#pragma once

#include <QIcon>
#include <QString>

class Defaults;

// Whether the program shows in the taskbar (a regular program) or lives in the
// tray only (an accessory), and the program's icon art matched to the light or
// dark look. Writes what it does to "Quorvane-dock.log" in the user's log folder.
namespace DockIcon {

enum class Policy { Regular = 0, Accessory = 1, Prohibited = 2 };

// (Re)installs the observers and applies the art.
void start();
void stop();
// Regular when "showInDock" is on or a main window is showing, else accessory;
// then re-applies the art.
void refreshPolicy();
void refreshPolicy(const Defaults& defaults);
// Applies the art for the current look; `reason` goes into the log.
void apply(const QString& reason);

Policy policy();
bool isDark();
// A visible window that can be the main window (not a panel, popup or tool window).
bool hasRealWindow();
// "dock-dark.png" or "dock-light.png"; a failed load is not remembered.
QIcon art(bool dark);
// The number of observers installed by start().
int observerCount();
QString logPath();

} // namespace DockIcon
