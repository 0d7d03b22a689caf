#include "learning/WordCandidates.h"

#include "support/Text.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr int kScanLimit = 3;

bool isTrimmed(const QString& grapheme) {
    if (grapheme.size() != 1)
        return false;
    return std::find(std::begin(WordCandidates::kTrimSet), std::end(WordCandidates::kTrimSet) - 1,
                     grapheme.front().unicode())
           != std::end(WordCandidates::kTrimSet) - 1;
}

QString mapped(const QString& grapheme) {
    if (grapheme.size() != 1)
        return grapheme;
    switch (grapheme.front().unicode()) {
    case u'a':
    case u'e':
    case u'i':
    case u'o':
    case u'u':
    case u'y':
        return {};
    case u'k':
    case u'q':
    case u'g':
    case u'j':
        return QStringLiteral("c");
    case u'z':
        return QStringLiteral("s");
    case u'w':
    case u'f':
        return QStringLiteral("v");
    default:
        return grapheme;
    }
}

int editDistance(const QStringList& a, const QStringList& b) {
    std::vector<int> previous(b.size() + 1);
    std::vector<int> current(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

} // namespace

namespace WordCandidates {

QString trimmed(const QString& word) {
    QStringList characters = Text::graphemes(word);
    qsizetype first = 0;
    qsizetype last = characters.size();
    while (first < last && isTrimmed(characters[first]))
        ++first;
    while (last > first && isTrimmed(characters[last - 1]))
        --last;
    return characters.mid(first, last - first).join(QString());
}

QString fold(const QString& word) {
    QStringList skeleton;
    for (const QString& character : Text::graphemes(trimmed(word.toLower()))) {
        const QString sound = mapped(character);
        if (!sound.isEmpty() && (skeleton.isEmpty() || skeleton.back() != sound))
            skeleton.append(sound);
    }
    return skeleton.join(QString());
}

namespace {

// A dictionary entry as listed, trimmed, and as a skeleton of characters.
struct Entry {
    QString listed;
    QString trimmed;
    QStringList skeleton;
};

std::vector<Entry> prepared(const QStringList& dictionary) {
    std::vector<Entry> entries;
    entries.reserve(size_t(dictionary.size()));
    for (const QString& entry : dictionary)
        entries.push_back({entry, trimmed(entry), Text::graphemes(fold(entry))});
    return entries;
}

double skeletonSimilarity(const QStringList& first, const QStringList& second) {
    if (first.isEmpty() || second.isEmpty())
        return 0.0;
    const double longer = double(std::max(first.size(), second.size()));
    return 1.0 - double(editDistance(first, second)) / longer;
}

QStringList rankedCandidates(const QString& word, const std::vector<Entry>& entries, double threshold, int limit) {
    const QString w = trimmed(word);
    if (Text::graphemeCount(w) < 2)
        return {};
    const QStringList skeleton = Text::graphemes(fold(w));
    std::vector<std::pair<double, QString>> kept;
    for (const Entry& entry : entries) {
        if (entry.trimmed.isEmpty())
            continue;
        if (QString::compare(w, entry.trimmed, Qt::CaseInsensitive) == 0)
            return {};
        const double score = skeletonSimilarity(skeleton, entry.skeleton);
        if (score >= threshold)
            kept.emplace_back(score, entry.listed);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const auto& x, const auto& y) {
        if (x.first != y.first)
            return x.first > y.first;
        return x.second < y.second;
    });
    QStringList answer;
    for (const auto& [score, listed] : kept) {
        if (answer.size() >= limit)
            break;
        answer.append(listed);
    }
    return answer;
}

} // namespace

double similarity(const QString& a, const QString& b) {
    return skeletonSimilarity(Text::graphemes(fold(a)), Text::graphemes(fold(b)));
}

QStringList candidates(const QString& word, const QStringList& dictionary, double threshold, int limit) {
    return rankedCandidates(word, prepared(dictionary), threshold, limit);
}

QList<Hit> scan(const QString& text, const QStringList& dictionary, double threshold) {
    QList<Hit> hits;
    if (dictionary.isEmpty() || text.isEmpty())
        return hits;
    const std::vector<Entry> entries = prepared(dictionary);
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
    qsizetype start = -1;
    words.toStart();
    for (qsizetype at = 0; at != -1; at = words.toNextBoundary()) {
        const auto reasons = words.boundaryReasons();
        if (start >= 0 && reasons.testFlag(QTextBoundaryFinder::EndOfItem)) {
            const QString word = text.mid(start, at - start);
            const QStringList options = rankedCandidates(word, entries, threshold, kScanLimit);
            if (!word.isEmpty() && !options.isEmpty())
                hits.append({start, at - start, word, options});
            start = -1;
        }
        if (reasons.testFlag(QTextBoundaryFinder::StartOfItem))
            start = at;
    }
    return hits;
}

} // namespace WordCandidates
