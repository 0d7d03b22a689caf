#include "reader/ReaderTimeline.h"

#include <algorithm>

namespace {

bool closesSentence(const QString& text) { return text.contains(u'.') || text.contains(u'!') || text.contains(u'?'); }

} // namespace

ReaderTimeline::ReaderTimeline(QList<Timing> payload, double reportedDuration) {
    std::stable_sort(payload.begin(), payload.end(),
                     [](const Timing& a, const Timing& b) { return a.start < b.start; });
    words.reserve(payload.size());
    int counter = 0;
    double lastEnd = 0;
    for (const Timing& timing : payload) {
        words.append({timing.text, timing.start, timing.end, counter});
        lastEnd = timing.end;
        if (closesSentence(timing.text))
            ++counter;
    }
    duration = std::max(reportedDuration, lastEnd);
}

ReaderTimeline ReaderTimeline::ofWords(QList<Word> words, double reportedDuration) {
    ReaderTimeline timeline;
    timeline.duration = std::max(reportedDuration, words.isEmpty() ? 0.0 : words.back().end);
    timeline.words = std::move(words);
    return timeline;
}

std::optional<int> ReaderTimeline::index(double time) const {
    if (words.isEmpty() || time < words.front().start)
        return std::nullopt;
    qsizetype low = 0;
    qsizetype high = words.size() - 1;
    qsizetype result = 0;
    while (low <= high) {
        const qsizetype middle = (low + high) / 2;
        if (words[middle].start <= time) {
            result = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return int(result);
}

std::optional<int> ReaderTimeline::sentence(double time) const {
    const std::optional<int> found = index(time);
    if (!found)
        return std::nullopt;
    return words[*found].sentence;
}

double ReaderTimeline::seek(double from, double by) const {
    const double target = std::max(std::min(from + by, duration), 0.0);
    if (words.isEmpty())
        return target;
    const std::optional<int> found = index(target);
    if (!found)
        return 0;
    int first = *found;
    const int wanted = words[first].sentence;
    while (first > 0 && words[first - 1].sentence == wanted)
        --first;
    const double sentenceStart = words[first].start;
    // Forward from inside a sentence that runs past the step (a long one, or
    // the last), its start lies behind: the step goes the full way instead,
    // which in the last sentence is its end.
    if (by > 0 && sentenceStart <= from)
        return target;
    return sentenceStart;
}
