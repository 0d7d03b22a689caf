// Spoken addresses are read word by word. The text is cut into words once, and
// the spoken marks and the word "at" are found with one search each over the
// whole text. Each "at" then looks back for its mailbox and forward for its
// domain; each spoken dot not yet read looks back for the start of its site name
// and reads it forward. A mailbox or a domain never reaches past another "at",
// and nothing is read again behind a domain already read, so every word is read
// a bounded number of times.
#include "cleanup/SpokenAddresses.h"

#include "cleanup/CleanupEngine.h"
#include "cleanup/CleanupPatterns.h"
#include "cleanup/NumberWords.h"

#include <QSet>

#include <algorithm>

namespace {

// Words that start a new phrase, so a provider's name before one of them stands
// alone rather than naming something ("at hotmail about the refund", but
// "at hotmail headquarters").
const QSet<QString>& phraseStarts() {
    static const QSet<QString> words = {
        "and",    "or",     "but",     "so",       "then", "about", "for", "instead", "please",
        "thanks", "today",  "tonight", "tomorrow", "now",  "later", "too", "again",   "if",
        "when",   "before", "after",   "with",     "by",   "from",  "to",  "on",      "in",
    };
    return words;
}

// How many words before a mailbox or a site name are searched for a cue ("send
// the invoice to", "head over to").
constexpr qsizetype kCueWindowWords = 6;

bool isOpeningMark(QChar c) { return QStringView(u"([{\"'“‘<").contains(c); }
bool isClosingMark(QChar c) { return QStringView(u".,!?;:)]}\"'”’>").contains(c); }
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isLetter(QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); }
bool isAlnum(QChar c) { return isLetter(c) || isDigit(c); }

// One word between blanks.
struct Word {
    qsizetype start = 0, end = 0;
    qsizetype coreStart = 0, coreEnd = 0; // without opening and closing marks
    QString core;                         // lower case

    bool bare() const { return coreStart == start && coreEnd == end; }
    bool opened() const { return coreStart != start; }
    bool closed() const { return coreEnd != end; }
};

// A spoken ".", "_" or "-", and how many words it takes ("under score": two).
struct Mark {
    QChar symbol;
    qsizetype words = 0;
};

// The words spoken as a mailbox, written out.
struct Mailbox {
    qsizetype first = 0;
    QString text;
    bool marked = false; // a spoken mark, or a written ".", "_" or "+" inside
};

// The words spoken as a domain, written out.
struct Domain {
    qsizetype last = 0;
    QString text;
    bool complete = false; // ends in a top-level domain
    bool spoken = false;   // holds a spoken mark
};

struct Rewrite {
    qsizetype from = 0, to = 0;
    QString text;
};

QString applied(const QString& text, const QList<Rewrite>& rewrites) {
    if (rewrites.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype last = 0;
    for (const Rewrite& rewrite : rewrites) {
        out += QStringView(text).mid(last, rewrite.from - last);
        out += rewrite.text;
        last = rewrite.to;
    }
    out += QStringView(text).mid(last);
    return out;
}

class SpokenWords {
public:
    explicit SpokenWords(const QString& text) : m_text(text) {
        cut();
        findMarks(CleanupPatterns::spokenDot(), QLatin1Char('.'));
        findMarks(CleanupPatterns::spokenUnderscore(), QLatin1Char('_'));
        findMarks(CleanupPatterns::spokenDash(), QLatin1Char('-'));
        for (const Regex::Match& match : CleanupPatterns::spokenAt().allMatches(text)) {
            const qsizetype index = wordStartingAt(match.start());
            if (index >= 0) {
                m_at[index] = true;
                m_atWords << index;
            }
        }
    }

    qsizetype size() const { return m_words.size(); }
    const Word& operator[](qsizetype index) const { return m_words[index]; }
    const QList<qsizetype>& atWords() const { return m_atWords; }
    // The words that are a spoken dot, in order.
    const QList<qsizetype>& dotWords() const { return m_dotWords; }

    // The word that starts at `position`, or -1.
    qsizetype wordStartingAt(qsizetype position) const {
        const auto found = std::lower_bound(m_words.begin(), m_words.end(), position,
                                            [](const Word& word, qsizetype at) { return word.start < at; });
        return found != m_words.end() && found->start == position ? found - m_words.begin() : -1;
    }

    std::optional<Mark> markStartingAt(qsizetype index) const {
        return index >= 0 && index < size() ? m_markStart[index] : std::nullopt;
    }
    std::optional<Mark> markEndingAt(qsizetype index) const {
        return index >= 0 && index < size() ? m_markEnd[index] : std::nullopt;
    }

    // Digits, or a number word: "123", "eighty", "oh".
    bool isNumber(qsizetype index) const {
        const QString& core = m_words[index].core;
        if (m_at[index] || isMark(index) || core.isEmpty())
            return false;
        return std::all_of(core.begin(), core.end(), isDigit) || NumberWords::units().contains(core)
               || NumberWords::spelledDigits().contains(core);
    }

    // A word that can be part of a mailbox: letters and digits, maybe joined by
    // written marks ("j_doe42", "first.last").
    bool isName(qsizetype index) const {
        const QString& core = m_words[index].core;
        if (core.isEmpty() || m_at[index] || isMark(index) || isNumber(index))
            return false;
        if (!isAlnum(core.front()) || !isAlnum(core.back()))
            return false;
        return std::all_of(core.begin(), core.end(),
                           [](QChar c) { return isAlnum(c) || QStringView(u"._+-").contains(c); });
    }

    // A word that can be part of a domain: letters and digits joined by single
    // written dots or dashes ("example", "example.org", "my-site").
    bool isLabel(qsizetype index) const {
        const QString& core = m_words[index].core;
        if (core.isEmpty() || m_at[index] || isMark(index))
            return false;
        for (qsizetype i = 0; i < core.size(); ++i) {
            const QChar c = core[i];
            if (isAlnum(c))
                continue;
            if ((c != QLatin1Char('.') && c != QLatin1Char('-')) || i == 0 || i + 1 == core.size()
                || !isAlnum(core[i + 1]))
                return false;
        }
        return true;
    }

    // The mailbox spoken right before the "at" at `at`, starting no earlier than
    // `floor`: names and numbers joined by spoken marks ("john dot smith",
    // "tom one two three", "j underscore doe42"). A name and a number may follow
    // each other without a mark; two names may not.
    std::optional<Mailbox> mailboxBefore(qsizetype at, qsizetype floor) const {
        qsizetype first = -1;
        qsizetype k = at - 1;
        while (k >= floor) {
            qsizetype e = k;
            bool opened = false;
            while (!opened && e >= floor && isNumber(e) && !m_words[e].closed()) {
                opened = m_words[e].opened();
                --e;
            }
            if (!opened && e >= floor && isName(e) && !m_words[e].closed()) {
                opened = m_words[e].opened();
                --e;
            }
            if (e == k)
                break;
            first = e + 1;
            k = e;
            const std::optional<Mark> mark = markEndingAt(k);
            if (opened || !mark || k - mark->words < floor)
                break;
            k -= mark->words;
        }
        if (first < 0)
            return std::nullopt;

        Mailbox box;
        box.first = first;
        for (qsizetype p = first; p < at;) {
            if (const std::optional<Mark> mark = markStartingAt(p)) {
                box.text += mark->symbol;
                box.marked = true;
                p += mark->words;
            } else if (isNumber(p)) {
                qsizetype q = p;
                while (q < at && isNumber(q))
                    ++q;
                box.text += digitsOf(p, q);
                p = q;
            } else {
                const QString& core = m_words[p].core;
                box.text += core;
                if (std::any_of(core.begin(), core.end(), [](QChar c) { return QStringView(u"._+").contains(c); }))
                    box.marked = true;
                ++p;
            }
        }
        return box;
    }

    // The domain spoken from word `start` on: labels joined by spoken or written
    // dots and dashes. Complete when it ends in a top-level domain after a dot
    // (the longest such); otherwise only its first label, for a provider's name.
    // `reach` is set to the last label read.
    std::optional<Domain> domainFrom(qsizetype start, qsizetype* reach = nullptr) const {
        if (start < 0 || start >= size() || !isLabel(start))
            return std::nullopt;
        QString text;
        qsizetype completeLength = 0; // of `text` up to the last top-level domain
        Domain complete;
        bool spoken = false;
        qsizetype k = start;
        for (;;) {
            text += m_words[k].core;
            if (endsInTopLevelDomain(text)) {
                complete = Domain{k, {}, true, spoken};
                completeLength = text.size();
            }
            if (m_words[k].closed())
                break;
            const std::optional<Mark> mark = markStartingAt(k + 1);
            if (!mark || mark->symbol == QLatin1Char('_'))
                break;
            const qsizetype next = k + 1 + mark->words;
            if (next >= size() || !isLabel(next) || m_words[next].opened())
                break;
            text += mark->symbol;
            spoken = true;
            k = next;
        }
        if (reach)
            *reach = k;
        if (complete.complete) {
            complete.text = text.left(completeLength);
            return complete;
        }
        // A provider's name stands alone.
        if (k != start)
            return std::nullopt;
        return Domain{start, text, false, false};
    }

    // The first label of the run of labels and spoken dots or dashes that holds
    // the spoken dot at `dot`, reading back no further than `floor`; -1 when no
    // label comes before the dot.
    qsizetype labelsStartBefore(qsizetype dot, qsizetype floor) const {
        qsizetype start = dot - 1;
        if (start < floor || !isLabel(start) || m_words[start].closed())
            return -1;
        while (!m_words[start].opened()) {
            const std::optional<Mark> mark = markEndingAt(start - 1);
            if (!mark || mark->symbol == QLatin1Char('_'))
                break;
            const qsizetype previous = start - 1 - mark->words;
            if (previous < floor || !isLabel(previous) || m_words[previous].closed())
                break;
            start = previous;
        }
        return start;
    }

    // Whether a provider's name spoken as word `index` ends its address: it ends
    // the text, carries a closing mark or is followed by a word that starts a new
    // phrase ("at gmail and", "at outlook tonight"). "at live events" is no address.
    bool endsAddress(qsizetype index) const {
        return index + 1 == size() || m_words[index].closed() || phraseStarts().contains(m_words[index + 1].core);
    }

    // Whether a known provider's whole domain ("at gmail dot com") shows that
    // the words before "at" are a mailbox: a name with a number ("tom 123",
    // "smith eighty seven"), or words that open the text or a sentence ("john
    // at gmail dot com is my old one"). "I worked at yahoo dot com" stays.
    bool mailboxAtProvider(const Mailbox& box, qsizetype at, const Domain& domain) const {
        const QString provider = domain.text.section(QLatin1Char('.'), 0, 0);
        if (!CleanupEngine::knownMailProviders().contains(provider))
            return false;
        if (box.first == 0 || m_words[box.first - 1].closed())
            return true;
        return isName(box.first) && isNumber(at - 1);
    }

    // Whether the few words before word `index` end in a match of `cue`.
    bool cueBefore(qsizetype index, const Regex& cue) const {
        if (index == 0)
            return false;
        const qsizetype from = std::max<qsizetype>(0, index - kCueWindowWords);
        const qsizetype start = m_words[from].start;
        return cue.matches(m_text.mid(start, m_words[index].start - start));
    }

private:
    void cut() {
        const qsizetype n = m_text.size();
        for (qsizetype i = 0; i < n;) {
            if (m_text[i].isSpace()) {
                ++i;
                continue;
            }
            Word word;
            word.start = i;
            while (i < n && !m_text[i].isSpace())
                ++i;
            word.end = i;
            word.coreStart = word.start;
            word.coreEnd = word.end;
            while (word.coreStart < word.coreEnd && isOpeningMark(m_text[word.coreStart]))
                ++word.coreStart;
            while (word.coreEnd > word.coreStart && isClosingMark(m_text[word.coreEnd - 1]))
                --word.coreEnd;
            word.core = m_text.mid(word.coreStart, word.coreEnd - word.coreStart).toLower();
            m_words << word;
        }
        m_at.fill(false, m_words.size());
        m_markStart.fill(std::nullopt, m_words.size());
        m_markEnd.fill(std::nullopt, m_words.size());
    }

    // Records the bare words (or two words, "under score") that `pattern` matches whole.
    void findMarks(const Regex& pattern, QChar symbol) {
        for (const Regex::Match& match : pattern.allMatches(m_text)) {
            const qsizetype first = wordStartingAt(match.start());
            if (first < 0 || !m_words[first].bare())
                continue;
            qsizetype last = first;
            if (m_words[first].end != match.end()) {
                last = first + 1;
                if (last >= size() || !m_words[last].bare() || m_words[last].end != match.end())
                    continue;
            }
            const Mark mark{symbol, last - first + 1};
            m_markStart[first] = mark;
            m_markEnd[last] = mark;
            if (symbol == QLatin1Char('.'))
                m_dotWords << first;
        }
    }

    bool isMark(qsizetype index) const { return m_markStart[index] || m_markEnd[index]; }

    // A run of number words and digits written as digits: "one two three" → "123",
    // "eighty seven" → "87", "nineteen eighty four" → "1984".
    QString digitsOf(qsizetype from, qsizetype to) const {
        QString digits;
        for (qsizetype k = from; k < to; ++k) {
            const QString& core = m_words[k].core;
            if (isDigit(core.front())) {
                digits += core;
                continue;
            }
            const qint64 value = NumberWords::units().value(core, NumberWords::spelledDigits().value(core));
            const qint64 next = k + 1 < to ? NumberWords::units().value(m_words[k + 1].core, -1) : -1;
            if (value >= 20 && value % 10 == 0 && next >= 1 && next <= 9) {
                digits += QString::number(value + next);
                ++k;
            } else {
                digits += QString::number(value);
            }
        }
        return digits;
    }

    static bool endsInTopLevelDomain(const QString& domain) {
        const qsizetype dot = domain.lastIndexOf(QLatin1Char('.'));
        return dot > 0 && CleanupPatterns::topLevelDomain().matches(domain.mid(dot + 1));
    }

    const QString& m_text;
    QList<Word> m_words;
    QList<bool> m_at;
    QList<qsizetype> m_atWords;
    QList<qsizetype> m_dotWords;
    QList<std::optional<Mark>> m_markStart;
    QList<std::optional<Mark>> m_markEnd;
};

} // namespace

namespace SpokenAddresses {

QString writeEmailAddresses(const QString& text) {
    if (!CleanupPatterns::spokenAt().matches(text))
        return text;
    const SpokenWords words(text);
    QList<Rewrite> rewrites;
    qsizetype floor = 0;
    for (const qsizetype at : words.atWords()) {
        if (at < floor)
            continue;
        const std::optional<Mailbox> box = words.mailboxBefore(at, floor);
        const std::optional<Domain> domain = words.domainFrom(at + 1);
        if (!box || !domain || words[at + 1].opened())
            continue;
        if (box->first + 1 == at && CleanupPatterns::objectPronoun().matches(words[box->first].core))
            continue;
        const bool cue = words.cueBefore(box->first, CleanupPatterns::addressCue());
        QString domainText;
        if (domain->complete && (cue || box->marked || words.mailboxAtProvider(*box, at, *domain))) {
            domainText = domain->text;
        } else if (!domain->complete && cue && words.endsAddress(domain->last)) {
            const auto provider = CleanupEngine::knownMailProviders().constFind(domain->text);
            if (provider == CleanupEngine::knownMailProviders().constEnd())
                continue;
            domainText = *provider;
        } else {
            continue;
        }
        rewrites << Rewrite{words[box->first].coreStart, words[domain->last].coreEnd,
                            (box->text + QLatin1Char('@') + domainText).toLower()};
        floor = domain->last + 1;
    }
    return applied(text, rewrites);
}

QString writeSiteNames(const QString& text) {
    if (!CleanupPatterns::spokenDot().matches(text))
        return text;
    const SpokenWords words(text);
    QList<Rewrite> rewrites;
    qsizetype floor = 0;
    for (const qsizetype dot : words.dotWords()) {
        if (dot < floor)
            continue;
        const qsizetype start = words.labelsStartBefore(dot, floor);
        if (start < 0)
            continue;
        qsizetype reach = start;
        const std::optional<Domain> domain = words.domainFrom(start, &reach);
        floor = reach + 1;
        if (!domain || !domain->complete || !domain->spoken)
            continue;
        if (!CleanupPatterns::webPrefix().matches(words[start].core)
            && !words.cueBefore(start, CleanupPatterns::siteCue()))
            continue;
        rewrites << Rewrite{words[start].coreStart, words[domain->last].coreEnd, domain->text};
    }
    return applied(text, rewrites);
}

} // namespace SpokenAddresses
