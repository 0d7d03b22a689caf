#pragma once

// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include <QtGlobal>

#include <functional>
#include <optional>

// Walks over the accessibility tree: the applications on the desktop, their
// windows, and what is below them. Each `visit` returns true to end the walk;
// the elements it is handed are references it does not own. GUI thread only.
namespace AtspiTreeWalk {

using Visit = std::function<bool(AtspiAccessible* element)>;

// Calls `visit` with each application entry on the desktop, asking the
// applications nothing.
void forEachDesktopEntry(const Visit& visit);

// Calls `visit` with each application registered on the bus (never this
// program, which could not answer while it waits), with `pid` when it is
// known, its cached elements cleared first.
void forEachApplication(qint64 pid, const Visit& visit);

// Calls `visit` with each window of `app`, the active one first.
void forEachWindow(AtspiAccessible* app, const Visit& visit);

// The application entry on the desktop of the application `node` belongs to
// (a new reference), found by its bus name without asking the application.
AtspiAccessible* applicationEntryOf(AtspiAccessible* node);

// Whether the toolkit of application `app` counts offsets in UTF-16 units (Qt
// does; the others count code points); nothing when it cannot be asked.
std::optional<bool> toolkitCountsUtf16(AtspiAccessible* app);
// The same, a toolkit that cannot be asked counting code points.
bool countsUtf16(AtspiAccessible* app);

} // namespace AtspiTreeWalk
