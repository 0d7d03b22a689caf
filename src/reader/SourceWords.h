#pragma once

#include "reader/ReaderTimeline.h"

#include <QList>
#include <QString>

// Ties the speech engine's timed words back to the text the user handed in,
// so the read-along page shows that text itself: its words with the
// punctuation written against them, numbers and sums as written, and every
// word, whatever the speech preparation wrote out, respelled or marked up on
// the way. The spoken words are matched to the source by their letters and
// digits (a longest common subsequence of word pieces); a stretch the
// preparation rewrote ("Dr." said as "Doctor") takes the times of what was
// said in its place, and a word nothing was matched to shares the time of its
// neighbours. Sentences are the source's own, found by ICU's sentence breaks
// with the language's abbreviations ("Dr. Smith" is one sentence, "$3.50"
// closes none). Pure, any thread.
namespace SourceWords {

struct Spoken {
    QString text;
    double start = 0; // seconds
    double end = 0;
};

// At least this share of the source's word pieces must be found among the
// spoken ones; below it the words are another text (a recogniser of another
// language guessing) and none are given.
inline constexpr double kMinimumMatch = 0.5;

// The source's words with times and sentence numbers, in written order; none
// when the spoken words cannot be tied to the source. `language` is an ICU
// locale ("en", "es") for the sentence breaks.
QList<ReaderTimeline::Word> timed(const QString& source, const QList<Spoken>& spoken, double duration,
                                  const QString& language);

// Where the sentences of `text` begin (UTF-16 offsets, the first 0).
QList<qsizetype> sentenceStarts(const QString& text, const QString& language);

} // namespace SourceWords
