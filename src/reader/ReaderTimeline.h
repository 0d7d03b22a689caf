#pragma once

#include <QList>
#include <QString>

#include <optional>

// The spoken words of a read-along reading tied to their times in the audio,
// with the sentence each word belongs to. A plain value: no audio, no views.
// Lookups are binary searches that allocate nothing, so the page may call
// them on every tick.
struct ReaderTimeline {
    struct Word {
        QString text;     // as shown, with its punctuation
        double start = 0; // seconds from the start of the audio
        double end = 0;
        int sentence = 0; // counted from 0
        bool operator==(const Word&) const = default;
    };
    struct Timing {
        QString text;
        double start = 0;
        double end = 0;
    };

    QList<Word> words;   // ascending start
    double duration = 0; // seconds

    ReaderTimeline() = default;
    // Sorts the timings by start (stable), numbers the sentences (a word
    // holding ".", "!" or "?" anywhere closes its sentence) and takes as
    // duration the larger of `duration` and the last word's end, so a missing
    // duration does not pin every step to 0.
    ReaderTimeline(QList<Timing> payload, double duration);
    // Words already numbered by sentence (from 0, rising by at most 1) with
    // rising starts, as the source's own words come; the duration is taken as
    // above.
    static ReaderTimeline ofWords(QList<Word> words, double duration);

    // The last word whose start is at or before `time`; none before the first word.
    std::optional<int> index(double time) const;
    // That word's sentence.
    std::optional<int> sentence(double time) const;
    // from + by, kept within [0, duration], moved back to the start of the
    // sentence it falls in; 0 before the first word. A step forward never
    // lands before `from`: when that start lies at or before it, the step
    // keeps from + by (the end, in the last sentence).
    double seek(double from, double by) const;

    bool operator==(const ReaderTimeline&) const = default;
};
