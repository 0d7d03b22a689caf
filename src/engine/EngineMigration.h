#pragma once

#include <QString>
#include <QStringList>

// Moves the engine environments and models out of the folder of the program's
// former name ("Brindlewick") into the current engine folder ("Quorvane"), both
// under Application Support. Runs at every launch; does something only while
// the former folder holds an item the current one lacks. Never reports errors.
namespace EngineMigration {

// The entries moved, in order.
const QStringList& items();

void run(const QString& applicationSupport);
// The same under the user's Application Support folder.
void run();

// Rewrites the scripts in `venv`/bin that still name `oldPath` so that they name
// `newPath`: regular files of 1 to 199,999 bytes that read as UTF-8, written back
// atomically with their former permissions.
void repairScripts(const QString& venv, const QString& oldPath, const QString& newPath);

} // namespace EngineMigration
