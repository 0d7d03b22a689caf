#pragma once

#include <QString>
#include <QStringList>

// Turns dictated lists into bulleted lines ("•"): spoken commands such as
// "bullet" or "next bullet point", and counted items ("first …, second …,
// third …") when inferred lists are allowed.
namespace Bullets {

// The spoken commands, longest first.
const QStringList& commands();
// Whether the text holds a mark that ends a sentence or a clause (". , ; : ! ?")
// or a line break; a mark inside a number ("1.5", "10:30") is none. A recogniser
// that writes none leaves the commands nothing to follow.
bool holdsPunctuation(const QString& text);
// A bullet line for each spoken command that starts the text, follows a mark or
// starts a line, where at least two commands make a list whose items are short
// (a first sentence of at most eight words): "Bullet trains are faster." and
// "Yes, bullet points are fine." stay sentences. When the transcript it came from held no punctuation at all
// (`unpunctuated`), a list is read from the words instead: it opens with "bullet
// point", "new bullet" or "next bullet" (a bare "bullet" is the noun there) at the
// start of the text or after a pause word ("list", "okay", "then", …), and is
// made only when at least two items follow, none longer than eight words; "i
// took the bullet train and read about bullet points" stays a sentence.
QString applyCommands(const QString& text, bool unpunctuated = false);
// A bullet line for each of three or more counted items in a row; a text with a
// spoken command is left to `applyCommands`.
QString applyEnumeration(const QString& text);
// Tidies bullet lines: no comma before a bullet, one blank after it, a capital after it.
QString tidy(const QString& text);

} // namespace Bullets
