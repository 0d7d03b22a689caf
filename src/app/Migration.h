#pragma once

#include <QString>

class Defaults;

// Carries the engine choices of the previous generation of the program over into
// the settings, once per user: the first run sets "migratedFromElectron" before
// anything else, so a failure never causes a second run.
namespace Migration {

void runIfNeeded(Defaults& defaults, const QString& applicationSupport);
// The same with the program's settings and folders.
void runIfNeeded();

} // namespace Migration
