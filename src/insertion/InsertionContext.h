#pragma once

#include <QString>

// How a freshly dictated text joins the text already before the caret: whether
// its first word loses its capital because it continues a sentence, and whether a
// blank goes in front of it. Counts user-perceived characters throughout.
namespace InsertionContext {

// Characters that end a sentence: "." "!" "?".
bool isTerminator(const QString& character);
// The blanks that separate: space, tab and line feed (not carriage return).
bool isSpace(const QString& character);

// `text` adapted to follow `context` (the text before the caret).
// `forceContinuation` makes it continue whatever sentence mark precedes it.
QString adjust(const QString& text, const QString& context, bool forceContinuation);
// The same decision when the text before the caret could not be read;
// `continuing` says the text follows on from something.
QString adjustWithoutContext(const QString& text, bool continuing);
// How many characters to drop from the end of `text` before a continuation is
// appended: its trailing blanks and one full stop before them.
int trailingStripCount(const QString& text);

} // namespace InsertionContext
