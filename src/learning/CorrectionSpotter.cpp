#include "learning/CorrectionSpotter.h"

#include "support/Text.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

bool isAlphanumeric(const QString& character) {
    const char32_t c = Text::firstCodePoint(character);
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

bool isWhiteSpace(const QString& character) {
    return std::all_of(character.begin(), character.end(), [](QChar c) { return c.isSpace(); });
}

QStringList words(const QString& text) {
    QStringList result;
    QString word;
    for (const QString& character : Text::graphemes(text)) {
        if (isWhiteSpace(character)) {
            if (!word.isEmpty())
                result.append(word);
            word.clear();
        } else {
            word += character;
        }
    }
    if (!word.isEmpty())
        result.append(word);
    return result;
}

QString trimmedToAlphanumerics(const QString& text) {
    const QStringList characters = Text::graphemes(text);
    qsizetype first = 0;
    qsizetype last = characters.size();
    while (first < last && !isAlphanumeric(characters[first]))
        ++first;
    while (last > first && !isAlphanumeric(characters[last - 1]))
        --last;
    return characters.mid(first, last - first).join(QString());
}

// Letters and the plain space only.
bool isWord(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QString& character : Text::graphemes(text)) {
        if (character != QStringLiteral(" ") && !QChar::isLetter(Text::firstCodePoint(character)))
            return false;
    }
    return true;
}

// Whether the word after `previous` starts a sentence: a sentence mark ends
// it, closing quotes or brackets aside.
bool endsSentence(const QString& previous) {
    const QStringList characters = Text::graphemes(previous);
    for (qsizetype i = characters.size() - 1; i >= 0 && !isAlphanumeric(characters[i]); --i) {
        const QString& c = characters[i];
        if (c == u"." || c == u"!" || c == u"?" || c == u"\u2026")
            return true;
    }
    return false;
}

// Whether `meant` is `heard` with only its first letter made a capital.
bool onlyCapitalisesTheFirstLetter(const QString& heard, const QString& meant) {
    const QStringList characters = Text::graphemes(heard);
    if (characters.isEmpty() || characters.front().toUpper() == characters.front())
        return false;
    return characters.front().toUpper() + characters.mid(1).join(QString()) == meant;
}

int editDistance(const QStringList& x, const QStringList& y) {
    if (x.isEmpty())
        return int(y.size());
    if (y.isEmpty())
        return int(x.size());
    std::vector<int> previous(y.size() + 1);
    std::vector<int> current(y.size() + 1);
    for (qsizetype j = 0; j <= y.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= x.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= y.size(); ++j)
            current[j] =
                std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
        std::swap(previous, current);
    }
    return previous[y.size()];
}

} // namespace

namespace CorrectionSpotter {

bool looksLikeTheSameWord(const QString& a, const QString& b) {
    const QString lowerA = a.toLower();
    const QString lowerB = b.toLower();
    if (lowerA == lowerB)
        return true;
    const int distance = editDistance(Text::graphemes(lowerA), Text::graphemes(lowerB));
    const double longer = double(std::max(Text::graphemeCount(a), Text::graphemeCount(b)));
    return double(distance) <= longer / 3.0;
}

std::optional<CorrectionCandidate> candidate(const QString& dictated, const QString& edited) {
    if (dictated.isEmpty() || edited.isEmpty() || dictated == edited)
        return std::nullopt;
    QStringList before = words(dictated);
    QStringList after = words(edited);
    QString previousWord;
    while (!before.isEmpty() && !after.isEmpty() && before.front() == after.front()) {
        previousWord = before.takeFirst();
        after.removeFirst();
    }
    while (!before.isEmpty() && !after.isEmpty() && before.back() == after.back()) {
        before.removeLast();
        after.removeLast();
    }
    if (before.isEmpty() || after.isEmpty() || before.size() > kMaxWords || after.size() > kMaxWords)
        return std::nullopt;
    const QString heard = trimmedToAlphanumerics(before.join(QLatin1Char(' ')));
    const QString meant = trimmedToAlphanumerics(after.join(QLatin1Char(' ')));
    if (heard == meant)
        return std::nullopt;
    // A capital put on the first word of a sentence is no misheard word: kept
    // as one, it would capitalise the word wherever it is dictated ("then" →
    // "Then"). Other changes of capitals ("jaxon" → "Jaxon") are names.
    const bool startsSentence = previousWord.isEmpty() || endsSentence(previousWord);
    if (startsSentence && onlyCapitalisesTheFirstLetter(heard, meant))
        return std::nullopt;
    if (!isWord(heard) || !isWord(meant) || Text::graphemeCount(heard) < kMinCharacters
        || Text::graphemeCount(meant) < kMinCharacters)
        return std::nullopt;
    const bool near =
        looksLikeTheSameWord(QString(heard).remove(QLatin1Char(' ')), QString(meant).remove(QLatin1Char(' ')));
    return CorrectionCandidate{heard, meant, near};
}

} // namespace CorrectionSpotter
