#pragma once

#include "learning/CorrectionCandidate.h"

#include <QString>

#include <optional>

// Decides whether the difference between a dictated text and the same stretch
// as the user left it is one small run of replaced words. Counts are in
// user-perceived characters. Stateless; any thread.
namespace CorrectionSpotter {

// Remainders longer than this many words are not a correction of a word.
inline constexpr int kMaxWords = 4;
// Heard and meant words must have at least this many characters.
inline constexpr int kMinCharacters = 3;

// The candidate for one edit; nothing when the texts are empty or equal, the
// edit only inserts or deletes, replaces more than four words, only puts a
// capital on the first word of a sentence, or either side is not made of
// letters and spaces only, or is shorter than three characters. Any other
// change of capitals is a candidate.
std::optional<CorrectionCandidate> candidate(const QString& dictated, const QString& edited);

// Whether the two look like the same word: equal ignoring case, or their edit
// distance is at most a third of the longer one's length.
bool looksLikeTheSameWord(const QString& a, const QString& b);

} // namespace CorrectionSpotter
