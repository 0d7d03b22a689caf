#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The sound-alike measure behind did-you-mean offers and its exhaustive search
// over the user's own words. Stateless; any thread. Counts, offsets and edit
// distances are in user-perceived characters.
namespace WordCandidates {

// Punctuation removed from both ends of a word before it is compared.
inline constexpr char16_t kTrimSet[] = u".,!?;:'\"()";

// One word of a scanned text that sounds like some of the user's words.
struct Hit {
    // The word's place in the scanned text, in UTF-16 units.
    qsizetype location = 0;
    qsizetype length = 0;
    QString word;
    QStringList options;
    bool operator==(const Hit&) const = default;
};

// `word` without the trim set at either end.
QString trimmed(const QString& word);
// The sound skeleton: lower-cased and trimmed, the vowels "aeiouy" dropped,
// k/q/g/j as c, z as s, w/f as v, runs of one mapped consonant collapsed.
QString fold(const QString& word);
// 1 − edit distance ÷ the longer skeleton; 0 when either skeleton is empty.
double similarity(const QString& a, const QString& b);
// Up to `limit` entries (as listed) that sound like `word`, best first, equal
// scores in ascending text order. Empty when the trimmed word is shorter than
// two characters or equals an entry apart from letter case.
QStringList candidates(const QString& word, const QStringList& dictionary, double threshold, int limit);
// Every word of `text` with candidates (at most three each), in text order.
QList<Hit> scan(const QString& text, const QStringList& dictionary, double threshold);

} // namespace WordCandidates
