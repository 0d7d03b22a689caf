#pragma once

#include <QString>

// Leaves one line in `crash.log` when the program dies of a fatal signal or an
// uncaught exception: what killed it and the program's version, so that a
// problem report can include it. The signal then takes its default course
// (a core dump, the exit status the desktop sees).
namespace CrashTrace {

inline constexpr const char* kFileName = "crash.log";

// Installs the handlers, writing to `folder`/crash.log (the folder is made
// now: nothing may allocate once the program is dying). Call once, early.
void install(const QString& folder, const QString& version);

} // namespace CrashTrace
