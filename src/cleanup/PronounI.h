#pragma once

#include <QString>

// The English pronoun "i" written as a capital.
namespace PronounI {

// `text` with the pronoun "i" and its contractions ("i'm", "i've", "i'll",
// "i'd") as capitals, wherever they stand, the first word included. Only the
// whole word counts: "i.e.", "the i's", "pi", an "i" inside an address or a
// path and the numeral "(i)" stay. A text the language detector finds written
// in another language ("Ho visto i ragazzi") is left as it is; a text it cannot
// tell is taken for English, the language the program dictates in. The result
// is as long as `text`.
QString capitalized(const QString& text);

} // namespace PronounI
