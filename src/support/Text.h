#pragma once

#include <QString>

// User-perceived characters (extended grapheme clusters). Offsets elsewhere are
// UTF-16 units, as QString's are; these helpers are for the places that count
// what a person sees as one character.
namespace Text {

qsizetype graphemeCount(const QString& text);
// The UTF-16 offset at which grapheme number `index` starts (text.size() past the end).
qsizetype utf16OffsetOfGrapheme(const QString& text, qsizetype index);
// `length` graphemes starting at grapheme `start`; clamped to the text.
QString graphemeSlice(const QString& text, qsizetype start, qsizetype length);
// The first `count` graphemes / the last `count` graphemes.
QString graphemePrefix(const QString& text, qsizetype count);
QString graphemeSuffix(const QString& text, qsizetype count);

} // namespace Text
