#include "insertion/InsertionContext.h"

#include "stores/DictionaryStore.h"
#include "support/Text.h"

#include <QStringList>

namespace {

bool isWhitespace(const QString& character) { return QChar::isSpace(Text::firstCodePoint(character)); }
bool isLetter(const QString& character) { return QChar::isLetter(Text::firstCodePoint(character)); }
bool isNumber(const QString& character) { return QChar::isNumber(Text::firstCodePoint(character)); }

// A character that case mapping changes and upper-casing leaves alone.
bool isUppercase(const QString& character) {
    return character.toUpper() == character && character.toLower() != character;
}

QString joined(const QString& text, bool continuing) {
    if (continuing && !text.isEmpty() && !InsertionContext::isSpace(Text::graphemePrefix(text, 1)))
        return QStringLiteral(" ") + text;
    return text;
}

// Whether a text starting with a capital should lose it to continue a sentence:
// yes unless its first word is all capitals ("NASA", "USB-C"); a word of one
// character ("I", "A") always does.
bool shouldLowercase(const QStringList& characters) {
    QStringList word;
    for (const QString& character : characters) {
        if (isWhitespace(character))
            break;
        word.append(character);
    }
    if (word.size() < 2)
        return true;
    return std::any_of(word.begin(), word.end(), [](const QString& c) { return isLetter(c) && !isUppercase(c); });
}

} // namespace

namespace InsertionContext {

bool isTerminator(const QString& character) {
    return character == QLatin1String(".") || character == QLatin1String("!") || character == QLatin1String("?");
}

bool isSpace(const QString& character) {
    return character == QLatin1String(" ") || character == QLatin1String("\t") || character == QLatin1String("\n");
}

QString adjust(const QString& text, const QString& context, bool forceContinuation) {
    if (text.isEmpty())
        return text;
    const QStringList before = Text::graphemes(context);
    const bool spaceFlag = before.isEmpty() || isSpace(before.last());
    const bool newlineFlag = !before.isEmpty() && before.last() == QLatin1String("\n");

    qsizetype anchorIndex = before.size() - 1;
    while (anchorIndex >= 0 && isSpace(before[anchorIndex]))
        --anchorIndex;
    const bool hasAnchor = anchorIndex >= 0;

    bool continues;
    if (!hasAnchor) {
        if (!forceContinuation)
            return text;
        continues = !newlineFlag;
    } else if (!forceContinuation) {
        continues = !isTerminator(before[anchorIndex]) && !newlineFlag;
    } else {
        continues = !newlineFlag;
    }

    QString result = text;
    if (continues) {
        const QStringList characters = Text::graphemes(text);
        if (isUppercase(characters.first()) && shouldLowercase(characters))
            result = Text::lowercasedFirst(text);
    }
    if (!hasAnchor || spaceFlag || newlineFlag)
        return result;
    return QStringLiteral(" ") + result;
}

QString adjustWithoutContext(const QString& text, bool continuing) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return text;
    if (!isUppercase(Text::graphemePrefix(text, 1)))
        return joined(text, continuing);

    const QStringList characters = Text::graphemes(trimmed);
    const bool severalWords = std::any_of(characters.begin(), characters.end(), isWhitespace);
    if (severalWords && !continuing)
        return text;

    // The first word: from the first letter or number over letters, numbers, "'" and "-".
    QString word;
    auto c = std::find_if(characters.begin(), characters.end(),
                          [](const QString& ch) { return isLetter(ch) || isNumber(ch); });
    for (; c != characters.end(); ++c) {
        if (!isLetter(*c) && !isNumber(*c) && *c != QLatin1String("'") && *c != QLatin1String("-"))
            break;
        word += *c;
    }
    const QStringList letters = Text::graphemes(word);
    const bool allCapitals =
        std::all_of(letters.begin(), letters.end(), [](const QString& ch) { return !isLetter(ch) || isUppercase(ch); });
    const bool keepCase = allCapitals || DictionaryStore::isCapitalizedName(word);
    return joined(keepCase ? text : Text::lowercasedFirst(text), continuing);
}

QString Fit::applied(const QString& text) const {
    return context ? adjust(text, *context, continuing) : adjustWithoutContext(text, continuing);
}

int trailingStripCount(const QString& text) {
    // Walk back over whole characters, so that "\r\n" (one character, and not
    // a blank) is never split, then answer in UTF-16 units.
    const QStringList characters = Text::graphemes(text);
    qsizetype units = 0;
    qsizetype i = characters.size() - 1;
    while (i >= 0 && isSpace(characters[i]))
        units += characters[i--].size();
    if (i >= 0 && characters[i] == QLatin1String("."))
        units += characters[i].size();
    return int(units);
}

} // namespace InsertionContext
