// Spoken numbers: number words written as digits to the degree the user's number
// style asks for. All arithmetic is checked; a number too large for 64 bits keeps
// its words.
#include "cleanup/CleanupEngine.h"

#include "cleanup/NumberStyle.h"
#include "cleanup/NumberWords.h"

#include <QHash>
#include <QSet>

namespace {

using NumberWords::isNumberWord;
using NumberWords::scales;
using NumberWords::spelledDigits;
using NumberWords::units;

const QChar blank(QLatin1Char(' '));

const QSet<QString>& measuringUnits() {
    static const QSet<QString> words = {"k",   "kb", "mb", "gb",  "tb", "hz", "khz", "mhz",
                                        "ghz", "kg", "km", "mph", "ml", "oz", "fps"};
    return words;
}

// Units of time, money, weight, length and volume that are spoken in full.
const QSet<QString>& spokenUnits() {
    static const QSet<QString> words = {
        "second", "seconds", "minute",    "minutes",    "hour",  "hours",  "day",    "days",
        "week",   "weeks",   "month",     "months",     "year",  "years",  "dollar", "dollars",
        "euro",   "euros",   "pound",     "pounds",     "cent",  "cents",  "kilo",   "kilos",
        "gram",   "grams",   "kilogram",  "kilograms",  "metre", "metres", "meter",  "meters",
        "mile",   "miles",   "kilometre", "kilometres", "litre", "litres", "liter",  "liters",
        "degree", "degrees", "kilometer", "kilometers", "inch",  "inches", "foot",   "feet",
    };
    return words;
}

// A word that shows the number before it is a measure: a measuring unit, a unit
// spoken in full, "percent" or a scale ("one point five million").
bool isMeasure(const QString& word) {
    return measuringUnits().contains(word) || spokenUnits().contains(word) || word == QLatin1String("percent")
           || scales().contains(word);
}

// Words after which a lone "one" is a pronoun ("the one I want"), and words
// before which it is one ("one of them"): it stays a word in every style.
const QSet<QString>& pronounOneBefore() {
    static const QSet<QString> words = {"the",   "this",    "that",   "which", "each",  "every",    "any",
                                        "no",    "another", "only",   "last",  "next",  "other",    "same",
                                        "right", "wrong",   "little", "big",   "new",   "old",      "good",
                                        "bad",   "better",  "best",   "small", "first", "favorite", "favourite"};
    return words;
}

const QSet<QString>& pronounOneAfter() {
    static const QSet<QString> words = {"of", "another"};
    return words;
}

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// The marks that end a spelled digit: a digit word carrying one is not joined.
bool isRunMark(QChar c) { return QStringLiteral(".,!?;:").contains(c); }

// `token` lower-cased without the characters that are not letters at either end.
QString bareWord(const QString& token) {
    qsizetype start = 0, end = token.size();
    while (start < end && !token[start].isLetter())
        ++start;
    while (end > start && !token[end - 1].isLetter())
        --end;
    return token.mid(start, end - start).toLower();
}

// The hyphen-joined words of a token, lower-cased, without the punctuation
// around them ("Twenty-first," → twenty, first).
QStringList hyphenatedWords(const QString& token) {
    const QString lower = token.toLower();
    const auto kept = [](QChar c) { return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || c == QLatin1Char('-'); };
    qsizetype start = 0, end = lower.size();
    while (start < end && !kept(lower[start]))
        ++start;
    while (end > start && !kept(lower[end - 1]))
        --end;
    return lower.mid(start, end - start).split(QLatin1Char('-'), Qt::SkipEmptyParts);
}

// The number words of a token ("twenty-five," → twenty, five), or none.
QStringList pieces(const QString& token) {
    const QStringList parts = hyphenatedWords(token);
    if (parts.isEmpty())
        return {};
    for (const QString& part : parts)
        if (!isNumberWord(part))
            return {};
    return parts;
}

// What follows the token's last letter or hyphen: its closing punctuation.
QString trailingPunct(const QString& token) {
    qsizetype end = token.size();
    while (end > 0 && !isAsciiLetter(token[end - 1]) && token[end - 1] != QLatin1Char('-'))
        --end;
    return token.mid(end);
}

// What precedes the token's first letter: an opening bracket, quote or sign.
QString leadingPunct(const QString& token) {
    qsizetype start = 0;
    while (start < token.size() && !isAsciiLetter(token[start]))
        ++start;
    return token.left(start);
}

std::optional<qint64> compose(const QStringList& words) {
    qint64 total = 0, current = 0;
    for (const QString& word : words) {
        if (const auto unit = units().constFind(word); unit != units().constEnd()) {
            if (__builtin_add_overflow(current, *unit, &current))
                return std::nullopt;
        } else if (word == QLatin1String("hundred")) {
            if (__builtin_mul_overflow(std::max<qint64>(current, 1), qint64(100), &current))
                return std::nullopt;
        } else {
            qint64 scaled = 0;
            if (__builtin_mul_overflow(std::max<qint64>(current, 1), scales().value(word), &scaled)
                || __builtin_add_overflow(total, scaled, &total))
                return std::nullopt;
            current = 0;
        }
    }
    qint64 result = 0;
    if (__builtin_add_overflow(total, current, &result))
        return std::nullopt;
    return result;
}

// A token that ends in an ordinal: "first", "twenty-first" (hyphens split it).
struct OrdinalToken {
    QStringList cardinals; // the number words before the ordinal, then the ordinal's own cardinal
    QString ordinal;
};

std::optional<OrdinalToken> ordinalToken(const QString& token) {
    const QStringList parts = hyphenatedWords(token);
    if (parts.isEmpty() || !NumberWords::ordinals().contains(parts.last()))
        return std::nullopt;
    OrdinalToken result{parts.mid(0, parts.size() - 1), parts.last()};
    for (const QString& part : result.cardinals)
        if (!isNumberWord(part))
            return std::nullopt;
    result.cardinals << NumberWords::ordinals().value(parts.last());
    return result;
}

// Whether an ordinal whose cardinal is `cardinal` can close the run `words`
// ("twenty" + "first", "one hundred" + "tenth", "five" + "thousandth"), rather
// than being a word of its own ("five first") or a fraction ("one hundredth").
bool ordinalCloses(const QStringList& words, const QString& cardinal) {
    if (words.isEmpty())
        return false;
    const QString& last = words.last();
    if (const auto scale = scales().constFind(cardinal); scale != scales().constEnd()) {
        if (words == QStringList{QStringLiteral("one")})
            return false;
        return units().contains(last) || scales().value(last, *scale) < *scale;
    }
    const qint64 value = units().value(cardinal);
    if (scales().contains(last))
        return true;
    const qint64 before = units().value(last, -1);
    return value <= 9 && before >= 20 && before % 10 == 0;
}

// Words before "twenty second" that make "second" the ordinal ("the twenty
// second", "May twenty second") rather than the unit of time ("a thirty
// second delay").
const QSet<QString>& wordsBeforeOrdinalSecond() {
    static const QSet<QString> words = {"the",   "my",      "your",      "his",     "her",      "its",     "our",
                                        "their", "january", "february",  "march",   "april",    "may",     "june",
                                        "july",  "august",  "september", "october", "november", "december"};
    return words;
}

bool isAmbiguousRun(const QStringList& words) {
    if (words.isEmpty() || words.size() == 1)
        return false;
    for (const QString& word : words)
        if (scales().contains(word))
            return false;
    if (words.size() >= 3)
        return true;
    const qint64 first = units().value(words[0], -1);
    const qint64 second = units().value(words[1], -1);
    return !(first >= 20 && first % 10 == 0 && second >= 0 && second < 10);
}

bool containsScale(const QStringList& words, qint64 atLeast = 0) {
    for (const QString& word : words)
        if (scales().contains(word) && scales().value(word) >= atLeast)
            return true;
    return false;
}

bool containsUnit(const QStringList& words) {
    for (const QString& word : words)
        if (units().contains(word))
            return true;
    return false;
}

QString grouped(const QString& number) {
    const QString plain = QString(number).remove(QLatin1Char(','));
    bool fits = false;
    plain.toLongLong(&fits, 10);
    if (plain.size() < 4 || !fits)
        return plain;
    const bool negative = plain.startsWith(QLatin1Char('-'));
    const QString digits = plain.mid(negative || plain.startsWith(QLatin1Char('+')) ? 1 : 0);
    QString out = negative ? QStringLiteral("-") : QString();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

} // namespace

QString CleanupEngine::joinSpelledDigits(const QString& text) {
    const QStringList tokens = text.split(blank);
    QStringList out;
    QStringList runTokens;
    QString runDigits;
    bool runFollowsPoint = false;

    // A run of three or more is written as digits, with the closing mark of its
    // last word; a shorter run stays as spoken.
    const auto flush = [&](const QString& closing) {
        // Digits straight after "point" are decimals: digitizing reads them one by one.
        if (runTokens.size() >= 3 && !runFollowsPoint)
            out << runDigits + closing;
        else
            out += runTokens;
        runTokens.clear();
        runDigits.clear();
    };

    for (const QString& token : tokens) {
        qsizetype start = 0, end = token.size();
        while (start < end && isRunMark(token[start]))
            ++start;
        while (end > start && isRunMark(token[end - 1]))
            --end;
        const QString word = token.mid(start, end - start).toLower();
        const auto digit = spelledDigits().constFind(word);
        if (digit != spelledDigits().constEnd() && start == 0) {
            if (runTokens.isEmpty())
                runFollowsPoint = !out.isEmpty() && out.last().toLower() == QLatin1String("point");
            runTokens << token;
            runDigits += QChar(u'0' + *digit);
            // "… seven two." ends the number with its last digit.
            if (end < token.size())
                flush(token.mid(end));
        } else {
            flush(QString());
            out << token;
        }
    }
    flush(QString());
    return out.join(blank);
}

QString CleanupEngine::digitizeNumbers(const QString& text, std::optional<NumberStyle> style) {
    const QString joined = joinSpelledDigits(text);
    const NumberStyle resolved = style.value_or(numberStyleSetting());
    if (resolved == NumberStyle::Words)
        return joined;

    const QStringList t = joined.split(blank);
    const qsizetype n = t.size();
    QStringList out;
    qsizetype i = 0;

    // The run `words` from token `runStart` closed by an ordinal in token `k`,
    // written as one ordinal number ("twenty first" → "21st"); false, with
    // nothing written, when token `k` does not close the run that way.
    const auto writeOrdinal = [&](const QStringList& words, qsizetype runStart, qsizetype k) {
        const std::optional<OrdinalToken> ordinal = ordinalToken(t[k]);
        if (!ordinal)
            return false;
        const QStringList all = words + ordinal->cardinals;
        const QStringList before = all.mid(0, all.size() - 1);
        if (before.isEmpty() || isAmbiguousRun(before) || !ordinalCloses(before, all.last()))
            return false;
        if (ordinal->ordinal == QLatin1String("second")) {
            const QString previous = runStart > 0 ? t[runStart - 1].toLower() : QString();
            const bool possessive =
                previous.endsWith(QLatin1String("'s")) || previous.endsWith(QString::fromUtf8("’s"));
            const bool ofFollows =
                trailingPunct(t[k]).isEmpty() && k + 1 < n && bareWord(t[k + 1]) == QLatin1String("of");
            if (!possessive && !ofFollows && !wordsBeforeOrdinalSecond().contains(bareWord(previous)))
                return false;
        }
        const std::optional<qint64> value = compose(all);
        if (!value)
            return false;
        out << leadingPunct(t[runStart]) + QString::number(*value) + NumberWords::ordinalSuffix(*value)
                   + trailingPunct(t[k]);
        i = k + 1;
        return true;
    };

    while (i < n) {
        QStringList words = pieces(t[i]);
        if (words.isEmpty()) {
            // "twenty-first" on its own.
            if (!(resolved == NumberStyle::Digits && writeOrdinal({}, i, i)))
                out << t[i++];
            continue;
        }
        // A run of number words. Closing punctuation ends it: "twenty, five" is two numbers.
        qsizetype j = i + 1;
        bool closed = !trailingPunct(t[i]).isEmpty();
        while (!closed && j < n) {
            const QStringList next = pieces(t[j]);
            if (!next.isEmpty()) {
                words += next;
                closed = !trailingPunct(t[j]).isEmpty();
                ++j;
            } else if (bareWord(t[j]) == QLatin1String("and") && trailingPunct(t[j]).isEmpty() && containsScale(words)
                       && j + 1 < n && !pieces(t[j + 1]).isEmpty()) {
                ++j; // "one hundred and five": the "and" goes
            } else {
                break;
            }
        }

        const QString prefix = leadingPunct(t[i]);
        const QString w = (j < n && !closed) ? bareWord(t[j]) : QString();
        const bool ambiguous = isAmbiguousRun(words);
        const std::optional<qint64> value = compose(words);

        if (resolved == NumberStyle::Digits && j < n && !closed) {
            // "one hundred and second": the "and" goes here as well.
            const bool joined =
                w == QLatin1String("and") && trailingPunct(t[j]).isEmpty() && containsScale(words) && j + 1 < n;
            if (writeOrdinal(words, i, joined ? j + 1 : j))
                continue;
        }

        // "at one point" is a moment ("at one point five people left"): its "one"
        // stays a word in every style, and makes a decimal only with a measure
        // after it ("at one point five GHz").
        const bool atOnePoint = words == QStringList{QStringLiteral("one")} && j == i + 1 && i > 0
                                && bareWord(t[i - 1]) == QLatin1String("at") && w == QLatin1String("point");
        if (value && w == QLatin1String("point") && trailingPunct(t[j]).isEmpty() && j + 1 < n
            && units().value(bareWord(t[j + 1]), 10) <= 9) {
            QString decimals;
            qsizetype k = j + 1;
            while (k < n && units().value(bareWord(t[k]), 10) <= 9) {
                decimals += QString::number(units().value(bareWord(t[k])));
                ++k;
                if (!trailingPunct(t[k - 1]).isEmpty())
                    break;
            }
            const bool measured = trailingPunct(t[k - 1]).isEmpty() && k < n && isMeasure(bareWord(t[k]));
            if (!atOnePoint || measured) {
                out << prefix + QString::number(*value) + QLatin1Char('.') + decimals + trailingPunct(t[k - 1]);
            } else {
                // The moment keeps all its words: "at one point 5 people" would
                // read as half a decimal.
                for (qsizetype m = i; m < k; ++m)
                    out << t[m];
            }
            i = k;
            continue;
        }
        if (value && !ambiguous && w == QLatin1String("percent")) {
            out << prefix + QString::number(*value) + QLatin1Char('%') + trailingPunct(t[j]);
            i = j + 1;
            continue;
        }
        if (value && !ambiguous && measuringUnits().contains(w)) {
            const QString& unitToken = t[j];
            qsizetype start = 0, end = unitToken.size();
            while (start < end && !unitToken[start].isLetter())
                ++start;
            while (end > start && !unitToken[end - 1].isLetter())
                --end;
            out << prefix + QString::number(*value) + unitToken.mid(start, end - start) + trailingPunct(unitToken);
            i = j + 1;
            continue;
        }

        const bool pronounOne =
            words == QStringList{QStringLiteral("one")} && j == i + 1
            && ((i > 0 && pronounOneBefore().contains(bareWord(t[i - 1]))) || pronounOneAfter().contains(w));
        if (resolved == NumberStyle::Digits && value && !ambiguous && containsUnit(words) && !pronounOne
            && !atOnePoint) {
            const QString punct = trailingPunct(t[j - 1]);
            const QStringList leading = words.mid(0, words.size() - 1);
            if (scales().value(words.last()) >= 1000000 && !containsScale(leading, 1000)) {
                if (const auto head = compose(leading)) {
                    out << prefix + QString::number(*head) + blank + words.last() + punct;
                    i = j;
                    continue;
                }
            }
            out << prefix + QString::number(*value) + punct;
        } else {
            for (qsizetype k = i; k < j; ++k)
                out << t[k];
        }
        i = j;
    }
    const QString result = out.join(blank);
    return resolved == NumberStyle::Digits ? formatSpokenMoney(result) : result;
}

QString CleanupEngine::formatSpokenMoney(const QString& text) {
    // The look-behind and the possessive runs only stop the search from retrying
    // inside a long run of digits; they match what the plain patterns match.
    static const Regex dollarsAndCents(
        QStringLiteral("(?<!\\d)(\\d[\\d,]*+)\\s+dollars?\\s+and\\s+(\\d{1,2})\\s+cents?"), Regex::CaseInsensitive);
    static const Regex scaledDollars(
        QStringLiteral("(?<!\\d)(\\d[\\d,.]*+)\\s+(thousand|million|billion|trillion)\\s+dollars?\\b"),
        Regex::CaseInsensitive);
    static const Regex decimalDollars(QStringLiteral("(?<![\\d.])(\\d[\\d,]*+)\\.(\\d++)\\s+dollars?\\b"),
                                      Regex::CaseInsensitive);
    static const Regex dollars(QStringLiteral("(?<![\\d.])(\\d[\\d,]*+)\\s+dollars?\\b"), Regex::CaseInsensitive);

    QString result = dollarsAndCents.replace(text, [](const Regex::Match& m) {
        const QString cents = m.captured(2);
        return QLatin1Char('$') + grouped(m.captured(1)) + QLatin1Char('.')
               + (cents.size() == 1 ? QLatin1Char('0') + cents : cents);
    });
    result = scaledDollars.replace(result, QStringLiteral("\\$$1 $2"));
    // "1.5 dollars" is "$1.50".
    result = decimalDollars.replace(result, [](const Regex::Match& m) {
        const QString cents = m.captured(2);
        return QLatin1Char('$') + grouped(m.captured(1)) + QLatin1Char('.')
               + (cents.size() == 1 ? cents + QLatin1Char('0') : cents);
    });
    return dollars.replace(result, [](const Regex::Match& m) { return QLatin1Char('$') + grouped(m.captured(1)); });
}
