#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

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

// The user-perceived characters of `text`, in order.
QStringList graphemes(const QString& text);
// The first code point, or 0 for an empty text.
char32_t firstCodePoint(const QString& text);
// `text` with its first user-perceived character upper- or lower-cased (the full
// mapping, so "ß" becomes "SS") and the rest unchanged.
QString uppercasedFirst(const QString& text);
QString lowercasedFirst(const QString& text);
// Full Unicode case folding, for comparing texts without regard to case.
QString foldedCase(const QString& text);
// `text` without the spaces and tabs at either end; a line break counts as
// content, unlike QString::trimmed().
QString trimmedOfBlanks(const QString& text);
// `bytes` as UTF-8, or nothing when they are not valid UTF-8.
std::optional<QString> decodeUtf8Strictly(const QByteArray& bytes);
// Substitutions, insertions and deletions that turn `expected` into `got`,
// words compared exactly.
int wordEditDistance(const QStringList& expected, const QStringList& got);

} // namespace Text
