#pragma once

#include <QString>

#include <optional>

// How a freshly dictated text joins the text already before the caret: whether
// its first word loses its capital because it continues a sentence, and whether a
// blank goes in front of it. Decides on user-perceived characters throughout;
// the strip count is given in UTF-16 units, the measure of QString and of the
// ranges of other applications' text.
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
// How one insertion was fitted to the text before the caret, kept so that a
// text put in its place afterwards (cleaned again, a word swapped) joins that
// text the same way: the same blank in front, the same first letter's case.
struct Fit {
    // The text before the caret it was fitted to; none when it could not be read.
    std::optional<QString> context;
    // With a context: whether it went on from whatever sentence mark preceded
    // it. Without one: whether it followed on from something.
    bool continuing = false;

    // `text` fitted as the insertion was.
    QString applied(const QString& text) const;
};

// How many UTF-16 units to drop from the end of `text` before a continuation is
// appended: its trailing blanks and one full stop before them, whole characters
// only (`text.chop(n)`, or a range of n units ending at the caret).
int trailingStripCount(const QString& text);

} // namespace InsertionContext
