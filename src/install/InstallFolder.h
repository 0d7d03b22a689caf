#pragma once

#include <QString>

#include <optional>

// The self-contained install folder: a folder named exactly "Quorvane" holding
// bin/quorvane, bin/quorvane-helper, share/quorvane/ and a marker file with the
// version it was made from. Only such a folder is ours to move, replace or
// trash; every other copy (the build tree, a distribution package under /usr)
// is managed by something else and left alone.
namespace InstallFolder {

// The folder's exact name.
inline constexpr const char* kFolderName = "Quorvane";
// The marker at the folder's root; its first line is the version.
inline constexpr const char* kMarkerName = "quorvane-install.txt";
// The program inside the folder.
inline constexpr const char* kProgramPath = "bin/quorvane";
// The longest version text a marker or manifest may carry.
inline constexpr int kMaxVersionLength = 32;

// True for a version made only of digits and dots, starting with a digit,
// and at most kMaxVersionLength characters long.
bool isPlainVersion(const QString& version);

// The version in `folder`'s marker, or none when the marker is missing,
// unreadable, or holds anything but a plain version.
std::optional<QString> markerVersion(const QString& folder);

// True when `folder` is named kFolderName and carries a valid marker.
bool isInstallFolder(const QString& folder);

// The install folder a program at `executablePath` runs from (its parent's
// parent, when the program sits in bin/), or none when that folder is not an
// install folder.
std::optional<QString> folderOfExecutable(const QString& executablePath);

// The install folder the running program belongs to, or none when it runs
// from anything else.
std::optional<QString> running();

} // namespace InstallFolder
