#pragma once

#include <QString>
#include <QStringList>

// Turns dictated lists into bulleted lines ("•"): spoken commands such as
// "bullet" or "next bullet point", and counted items ("first …, second …,
// third …") when inferred lists are allowed.
namespace Bullets {

// The spoken commands, longest first.
const QStringList& commands();
// A bullet line for each spoken command that starts the text, follows a mark or starts a line.
QString applyCommands(const QString& text);
// A bullet line for each of three or more counted items in a row; a text with a
// spoken command is left to `applyCommands`.
QString applyEnumeration(const QString& text);
// Tidies bullet lines: no comma before a bullet, one blank after it, a capital after it.
QString tidy(const QString& text);

} // namespace Bullets
