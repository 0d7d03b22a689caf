#include "reader/SourceWords.h"

#include <unicode/ubrk.h>
#include <unicode/utypes.h>

#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace SourceWords {

namespace {

// A longer edit script than this means the two texts are not one text.
constexpr int kMaximumEdits = 2000;

// A run of letters and digits, the unit the two texts are matched by. In
// scripts written without spaces every character is a piece of its own.
struct Piece {
    QString key;          // case-folded
    qsizetype offset = 0; // in its text
    int owner = 0;        // the spoken word it came from
};

bool spaceless(QChar::Script script) {
    switch (script) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
    case QChar::Script_Tibetan:
        return true;
    default:
        return false;
    }
}

char32_t codePointAt(const QString& text, qsizetype at, qsizetype* width) {
    const QChar high = text[at];
    if (high.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(high, text[at + 1]);
    }
    *width = 1;
    return high.unicode();
}

void appendPieces(const QString& text, int owner, QList<Piece>& pieces) {
    std::optional<Piece> open;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype width = 1;
        const char32_t c = codePointAt(text, at, &width);
        const bool inWord = QChar::isLetterOrNumber(c) || (QChar::isMark(c) && open);
        const bool alone = inWord && spaceless(QChar::script(c));
        if (!inWord || alone) {
            if (open)
                pieces.append(*std::exchange(open, std::nullopt));
        }
        if (alone) {
            pieces.append({QString::fromUcs4(&c, 1).toCaseFolded(), at, owner});
        } else if (inWord) {
            if (!open)
                open = Piece{{}, at, owner};
            open->key += text.mid(at, width).toCaseFolded();
        }
        at += width;
    }
    if (open)
        pieces.append(*open);
}

// The index pairs (into `a`, into `b`) of a longest common subsequence of the
// two keys lists (Myers' difference algorithm); none when it takes more than
// kMaximumEdits edits.
std::optional<std::vector<std::pair<int, int>>> commonPieces(const QList<Piece>& a, const QList<Piece>& b) {
    const int n = int(a.size());
    const int m = int(b.size());
    const int limit = std::min(n + m, kMaximumEdits);
    std::vector<int> v(2 * size_t(limit) + 3, 0);
    const int middle = limit + 1;
    // The furthest x of every diagonal before each round, kept to walk back.
    std::vector<std::vector<int>> rounds;
    int found = -1;
    for (int d = 0; d <= limit && found < 0; ++d) {
        rounds.emplace_back(v.begin() + middle - d, v.begin() + middle + d + 1);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[middle + k - 1] < v[middle + k + 1])) ? v[middle + k + 1]
                                                                                   : v[middle + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[x].key == b[y].key) {
                ++x;
                ++y;
            }
            v[middle + k] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return std::nullopt;
    std::vector<std::pair<int, int>> pairs;
    int x = n;
    int y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& before = rounds[d];
        const auto at = [&](int k) { return before[size_t(k + d)]; };
        const int k = x - y;
        const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
        const int previousK = down ? k + 1 : k - 1;
        const int previousX = at(previousK);
        const int snakeStart = down ? previousX : previousX + 1;
        while (x > snakeStart) {
            --x;
            --y;
            pairs.emplace_back(x, y);
        }
        x = previousX;
        y = previousX - previousK;
    }
    while (x > 0 && y > 0) {
        --x;
        --y;
        pairs.emplace_back(x, y);
    }
    std::reverse(pairs.begin(), pairs.end());
    return pairs;
}

bool widePunctuation(QChar c) {
    const char16_t u = c.unicode();
    return c.isPunct() && ((u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF));
}

struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
    std::optional<double> start;
};

// The source's words: runs of non-space characters, cut where a spoken word
// begins on a letter right after a letter or wide punctuation (text written
// without spaces, where the engine's words are the only boundaries).
QList<Span> spansOf(const QString& source, const std::vector<qsizetype>& wordStarts) {
    QList<Span> spans;
    auto tie = wordStarts.begin();
    qsizetype at = 0;
    while (at < source.size()) {
        while (at < source.size() && source[at].isSpace())
            ++at;
        if (at >= source.size())
            break;
        qsizetype end = at;
        while (end < source.size() && !source[end].isSpace())
            ++end;
        qsizetype begin = at;
        while (tie != wordStarts.end() && *tie <= at)
            ++tie;
        for (; tie != wordStarts.end() && *tie < end; ++tie) {
            const QChar before = source[*tie - 1];
            if (*tie > begin && source[*tie].isLetter() && (before.isLetter() || widePunctuation(before))) {
                spans.append({begin, *tie, std::nullopt});
                begin = *tie;
            }
        }
        spans.append({begin, end, std::nullopt});
        at = end;
    }
    return spans;
}

// Gives every span without a time a share, by length, of the time between its
// timed neighbours (from 0 before the first, up to `duration` after the last),
// after making the times rise in written order.
void fillTimes(QList<Span>& spans, double duration) {
    double latest = 0;
    for (Span& span : spans)
        if (span.start)
            span.start = latest = std::max(latest, *span.start);
    qsizetype index = 0;
    double from = 0;
    while (index < spans.size()) {
        if (spans[index].start) {
            from = *spans[index].start;
            ++index;
            continue;
        }
        qsizetype last = index;
        while (last < spans.size() && !spans[last].start)
            ++last;
        // The run [index, last) shares the time from its timed predecessor
        // (whose own share is counted in) to its timed successor.
        const qsizetype first = index > 0 ? index - 1 : index;
        const double to = last < spans.size() ? *spans[last].start : std::max(duration, from);
        qsizetype total = 0;
        for (qsizetype i = first; i < last; ++i)
            total += spans[i].end - spans[i].begin;
        qsizetype before = 0;
        for (qsizetype i = first; i < last; ++i) {
            if (!spans[i].start)
                spans[i].start = from + (to - from) * (total > 0 ? double(before) / double(total) : 0.0);
            before += spans[i].end - spans[i].begin;
        }
        index = last;
    }
}

// Titles that stand before a name and so end no sentence; ICU's English list
// lacks "Dr." (it could be a street at the end of one).
bool afterTitle(const QString& text, qsizetype breakAt) {
    static const QStringList titles = {
        QStringLiteral("Dr."),   QStringLiteral("Mr."),   QStringLiteral("Mrs."), QStringLiteral("Ms."),
        QStringLiteral("Prof."), QStringLiteral("Sr."),   QStringLiteral("Sra."), QStringLiteral("Srta."),
        QStringLiteral("Jr."),   QStringLiteral("St."),   QStringLiteral("Mt."),  QStringLiteral("Capt."),
        QStringLiteral("Gen."),  QStringLiteral("Col."),  QStringLiteral("Rev."), QStringLiteral("Mme."),
        QStringLiteral("Mlle."), QStringLiteral("Dott."), QStringLiteral("Sig."), QStringLiteral("Dra."),
    };
    qsizetype end = breakAt;
    while (end > 0 && text[end - 1].isSpace())
        --end;
    qsizetype begin = end;
    while (begin > 0 && !text[begin - 1].isSpace())
        --begin;
    return titles.contains(text.mid(begin, end - begin));
}

} // namespace

QList<qsizetype> sentenceStarts(const QString& text, const QString& language) {
    QList<qsizetype> starts{0};
    if (text.isEmpty())
        return starts;
    UErrorCode status = U_ZERO_ERROR;
    // "ss=standard": the language's abbreviations ("Dr.", "Sr.") end no sentence.
    const QByteArray locale = (language.isEmpty() ? QStringLiteral("en") : language).toLatin1() + "@ss=standard";
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaks(
        ubrk_open(UBRK_SENTENCE, locale.constData(), reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()),
                  &status),
        &ubrk_close);
    if (U_FAILURE(status) || !breaks)
        return starts;
    for (int32_t at = ubrk_next(breaks.get()); at != UBRK_DONE; at = ubrk_next(breaks.get()))
        if (at < text.size() && !afterTitle(text, at))
            starts.append(at);
    return starts;
}

QList<ReaderTimeline::Word> timed(const QString& source, const QList<Spoken>& spoken, double duration,
                                  const QString& language) {
    QList<Piece> said;
    for (int i = 0; i < spoken.size(); ++i)
        appendPieces(spoken[i].text, i, said);
    QList<Piece> written;
    appendPieces(source, 0, written);
    if (written.isEmpty() || said.isEmpty())
        return {};
    const std::optional<std::vector<std::pair<int, int>>> common = commonPieces(written, said);
    if (!common || double(common->size()) < kMinimumMatch * double(written.size()))
        return {};

    // Each written piece tied to the spoken word it was heard in: matched
    // pieces directly, a rewritten stretch piece by piece in proportion.
    std::vector<std::pair<qsizetype, int>> ties;
    int writtenFrom = 0;
    int saidFrom = 0;
    auto tieGap = [&](int writtenTo, int saidTo) {
        const int count = writtenTo - writtenFrom;
        const int heard = saidTo - saidFrom;
        if (count > 0 && heard > 0)
            for (int k = 0; k < count; ++k)
                ties.emplace_back(written[writtenFrom + k].offset,
                                  said[saidFrom + int(qint64(k) * heard / count)].owner);
    };
    for (const auto& [w, s] : *common) {
        tieGap(w, s);
        ties.emplace_back(written[w].offset, said[s].owner);
        writtenFrom = w + 1;
        saidFrom = s + 1;
    }
    tieGap(int(written.size()), int(said.size()));

    // Where each spoken word's first tie falls: the only places a run of the
    // source may be cut.
    std::vector<qsizetype> wordStarts;
    for (size_t i = 0; i < ties.size(); ++i)
        if (i == 0 || ties[i].second != ties[i - 1].second)
            wordStarts.push_back(ties[i].first);
    QList<Span> spans = spansOf(source, wordStarts);
    qsizetype span = 0;
    for (const auto& [offset, owner] : ties) {
        while (span + 1 < spans.size() && spans[span + 1].begin <= offset)
            ++span;
        const double start = spoken[owner].start;
        if (!spans[span].start || start < *spans[span].start)
            spans[span].start = start;
    }
    double lastEnd = duration;
    for (const Spoken& word : spoken)
        lastEnd = std::max(lastEnd, word.end);
    fillTimes(spans, lastEnd);

    const QList<qsizetype> starts = sentenceStarts(source, language);
    QList<ReaderTimeline::Word> words;
    words.reserve(spans.size());
    qsizetype sentenceIndex = 0;
    int sentence = -1;
    qsizetype lastSentence = -1;
    for (qsizetype i = 0; i < spans.size(); ++i) {
        while (sentenceIndex + 1 < starts.size() && starts[sentenceIndex + 1] <= spans[i].begin)
            ++sentenceIndex;
        if (sentenceIndex != lastSentence) {
            ++sentence;
            lastSentence = sentenceIndex;
        }
        const double start = *spans[i].start;
        const double end = i + 1 < spans.size() ? *spans[i + 1].start : lastEnd;
        words.append(
            {source.mid(spans[i].begin, spans[i].end - spans[i].begin), start, std::max(start, end), sentence});
    }
    return words;
}

} // namespace SourceWords
