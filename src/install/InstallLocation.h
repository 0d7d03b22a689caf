#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// Where a copy of the program sits and what that allows. The rules are
// functions of a path and the roots; they compare real paths (links
// resolved), so a linked home or Applications folder cannot make one folder
// look like two. The "running" forms ask InstallFolder for the copy in use. A copy that is not a marked install folder
// (a build tree, a package under /usr) is managed elsewhere and is never moved, replaced or trashed.
namespace InstallLocation {

// The folders a copy may update itself in: "/opt/" and home + "/Applications/".
struct Roots {
    QString home;
    QStringList prefixes;
};

Roots standardRoots();

// The path fragment of a copy the system runs from a temporary place.
inline constexpr const char* kTranslocatedMarker = "/AppTranslocation/";

bool isTranslocated(const QString& folder);
// Not translocated and inside one of the roots (any subfolder, any name).
bool isCorrect(const QString& folder, const Roots& roots);
// Whether this user may replace `folder`: both it and the folder holding it
// can be written (a copy root put into /opt cannot be). False when either is
// missing.
bool canReplace(const QString& folder);
// The folder holding `folder`, home shown as "~".
QString whereItIs(const QString& folder, const Roots& roots);
// The copy a move would leave behind and may trash: `folder` itself when it is
// named exactly "Quorvane", lies outside the roots and does not hold the move
// target; none otherwise.
std::optional<QString> leftover(const QString& folder, const Roots& roots);
// Where a move puts the copy: home + "/Applications/Quorvane".
QString moveTarget(const Roots& roots);

// The delay between starting a script that waits for this process and
// asking the program to quit.
inline constexpr std::chrono::milliseconds kQuitDelay{300};

// Moves the install folder `folder` to moveTarget(roots) once the process
// `pid` has ended: a script copies it into a work folder of its own beside the
// target (a fresh, unique name), sets an existing install folder there aside
// into the same work folder, renames the copy in, deletes the work folder,
// sends the leftover download to the trash (kept when that fails, never when
// it turns out to be the target) and starts the moved copy; a failed copy
// opens the source's folder instead. True when `folder` already is the target
// (nothing happens) or the script has started and `quit` runs kQuitDelay
// later; false, before anything changes, when `folder` is not a marked
// install folder, when the target holds anything but an install folder this
// user may replace (a folder of the user's own, a link), when the folder
// holding the target cannot be made or written, or when the script could not
// start.
bool moveToApplications(const QString& folder, const Roots& roots, qint64 pid, std::function<void()> quit);

} // namespace InstallLocation
