#pragma once

#include <QString>

// Where the program keeps its files. Follows the XDG base directories so that
// tests can point everything at a temporary home through the environment.
namespace Paths {

// The user's home folder ($HOME).
QString home();
// Application Support: $XDG_DATA_HOME, else ~/.local/share.
QString applicationSupport();
// User data (dictionary, history, statistics, …): Application Support/"Quorvane Native".
QString userData();
// The engine folder and its logs: Application Support/"Quorvane".
QString engineFolder();
// The user's log folder (Library/Logs): $XDG_STATE_HOME, else ~/.local/state.
QString logs();
// Settings: $XDG_CONFIG_HOME, else ~/.config.
QString config();
// The shared temporary folder.
QString temp();
// Creates a new folder only the user can enter (0700) under the temporary folder
// and returns its path, or an empty string on failure. The caller removes it.
QString makePrivateTempFolder(const QString& prefix);

} // namespace Paths
