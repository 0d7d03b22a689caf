#include "cleanup/Bullets.h"

#include "support/Regex.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <optional>

namespace {

const QString bulletLine = QStringLiteral("\n\u2022 ");

const Regex& commandDetector() {
    static const Regex pattern(QStringLiteral("(?:^|[.,;:!?\\n])\\s*(?:next |new )?bullet(?: point)?[,.]?\\s"),
                               Regex::CaseInsensitive);
    return pattern;
}

const QList<Regex>& commandPatterns() {
    static const QList<Regex> patterns = [] {
        QList<Regex> list;
        for (const QString& phrase : Bullets::commands())
            list << Regex(QStringLiteral("(?:(?<=^)|(?<=[.,;:!?])|(?<=\\n))\\s*") + Regex::escape(phrase)
                              + QStringLiteral("[,.]?\\s+"),
                          Regex::CaseInsensitive);
        return list;
    }();
    return patterns;
}

// A list holds at least two items, each short. A transcript without marks
// gives the commands nothing to follow, so there a list is read from its words:
// it opens at the start of the text or after a pause word, with a command that
// cannot be an ordinary noun ("bullet point", "new bullet", "next bullet").
constexpr qsizetype kLeastSpokenItems = 2;
constexpr qsizetype kMostWordsInSpokenItem = 8;

// The commands that start an item in a transcript without marks, longest first.
// A bare "bullet" is too often the noun ("the bullet train").
const QList<QStringList>& spokenCommands() {
    static const QList<QStringList> phrases = {
        {"next", "bullet", "point"}, {"new", "bullet", "point"}, {"next", "bullet"},
        {"new", "bullet"},           {"bullet", "point"},
    };
    return phrases;
}

// Words a speaker pauses after before a list: the name of the list, or a word
// that closes a thought.
const QSet<QString>& pauseWords() {
    static const QSet<QString> words = {"list", "agenda", "notes", "reminders", "steps", "items", "tasks",
                                        "okay", "ok",     "so",    "then",      "now",   "also"};
    return words;
}

struct SpokenWord {
    qsizetype start = 0, end = 0;
    QString bare; // lower case, without closing marks
};

QList<SpokenWord> spokenWords(const QString& text) {
    static const Regex word(QStringLiteral("\\S+"));
    QList<SpokenWord> words;
    for (const Regex::Match& match : word.allMatches(text)) {
        QString bare = match.captured().toLower();
        while (!bare.isEmpty() && QStringView(u".,;:!?").contains(bare.back()))
            bare.chop(1);
        words << SpokenWord{match.start(), match.end(), bare};
    }
    return words;
}

// How many words the command starting at word `index` takes, or 0.
qsizetype commandLength(const QList<SpokenWord>& words, qsizetype index) {
    for (const QStringList& phrase : spokenCommands()) {
        if (index + phrase.size() > words.size())
            continue;
        qsizetype k = 0;
        while (k < phrase.size() && words[index + k].bare == phrase[k])
            ++k;
        if (k == phrase.size())
            return phrase.size();
    }
    return 0;
}

// The list spoken in `text`, whose words hold no marks, or nothing.
std::optional<QString> spokenList(const QString& text) {
    const QList<SpokenWord> words = spokenWords(text);
    struct Command {
        qsizetype first = 0, length = 0;
    };
    QList<Command> commands;
    for (qsizetype k = 0; k < words.size();) {
        const qsizetype length = commandLength(words, k);
        if (length > 0)
            commands << Command{k, length};
        k += std::max<qsizetype>(length, 1);
    }
    if (commands.size() < kLeastSpokenItems)
        return std::nullopt;
    const qsizetype opener = commands.first().first;
    if (opener > 0 && !pauseWords().contains(words[opener - 1].bare))
        return std::nullopt;

    QString result = text.left(words[opener].start).trimmed();
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const qsizetype first = commands[i].first + commands[i].length;
        const qsizetype end = i + 1 < commands.size() ? commands[i + 1].first : words.size();
        if (end - first < 1 || end - first > kMostWordsInSpokenItem)
            return std::nullopt;
        result += bulletLine + text.mid(words[first].start, words[end - 1].end - words[first].start);
    }
    return result;
}

// The lines of `text` that are bullet lines, without their bullet.
QStringList bulletLines(const QString& text) {
    QStringList items;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("\u2022 ")))
            items << line.mid(2);
    return items;
}

// Whether the first sentence of every bullet line in `text` is short.
bool itemsAreShort(const QString& text) {
    static const Regex sentenceEnd(QStringLiteral("[.!?](?:\\s|$)"));
    for (const QString& item : bulletLines(text)) {
        const std::optional<Regex::Match> end = sentenceEnd.firstMatch(item);
        const QString first = end ? item.left(end->start()) : item;
        if (first.split(QLatin1Char(' '), Qt::SkipEmptyParts).size() > kMostWordsInSpokenItem)
            return false;
    }
    return true;
}

const QList<Regex>& markerPatterns() {
    static const QList<Regex> patterns = [] {
        const std::array<QStringList, 5> markers = {
            QStringList{"first", "firstly", "one", "1"},   QStringList{"second", "secondly", "two", "2"},
            QStringList{"third", "thirdly", "three", "3"}, QStringList{"fourth", "fourthly", "four", "4"},
            QStringList{"fifth", "fifthly", "five", "5"},
        };
        QList<Regex> list;
        for (const QStringList& words : markers)
            list << Regex(QStringLiteral("(?:^|(?<=[.;:!?])|(?<=\\n))\\s*(?:and\\s+)?(?:")
                              + words.join(QLatin1Char('|')) + QStringLiteral(")\\s*[,.]\\s+"),
                          Regex::CaseInsensitive);
        return list;
    }();
    return patterns;
}

} // namespace

namespace Bullets {

const QStringList& commands() {
    static const QStringList phrases = {"next bullet point", "new bullet point", "next bullet",
                                        "new bullet",        "bullet point",     "bullet"};
    return phrases;
}

bool holdsPunctuation(const QString& text) {
    // A mark between two digits belongs to a number ("1.5", "2,000", "10:30").
    static const Regex mark(QStringLiteral("[;!?\\n]|(?<![0-9])[.,:]|[.,:](?![0-9])"));
    return mark.matches(text);
}

QString applyCommands(const QString& text, bool unpunctuated) {
    static const Regex emptyFirstLine(QStringLiteral("^\\s*\\n"));
    if (unpunctuated) {
        const std::optional<QString> list = spokenList(text);
        return list ? tidy(emptyFirstLine.replace(*list, QString())) : text;
    }
    if (!commandDetector().matches(text))
        return text;
    QString result = text;
    for (const Regex& command : commandPatterns())
        result = command.replace(result, Regex::escapeTemplate(bulletLine));
    result = tidy(emptyFirstLine.replace(result, QString()));
    // One command is a word of the sentence ("Bullet trains are fast."), and so
    // is a command before a long stretch of text.
    const qsizetype made = bulletLines(result).size() - bulletLines(text).size();
    return made >= kLeastSpokenItems && itemsAreShort(result) ? result : text;
}

QString applyEnumeration(const QString& text) {
    if (commandDetector().matches(text))
        return text;
    QList<Regex::Match> found;
    qsizetype from = 0;
    for (const Regex& marker : markerPatterns()) {
        const auto match = marker.firstMatch(text, from);
        if (!match)
            break;
        found << *match;
        from = match->end();
    }
    if (found.size() < 3)
        return text;
    QString result = text.left(found.first().start());
    for (qsizetype i = 0; i < found.size(); ++i) {
        const qsizetype end = i + 1 < found.size() ? found[i + 1].start() : text.size();
        result += bulletLine + text.mid(found[i].end(), end - found[i].end());
    }
    return tidy(result);
}

QString tidy(const QString& text) {
    static const Regex commaBeforeBullet(QStringLiteral(",\\s*\\n\u2022"));
    static const Regex blankLines(QStringLiteral("\\n{3,}"));
    static const Regex bulletSpacing(QStringLiteral("\u2022\\s+"));
    QString result = commaBeforeBullet.replace(text, QStringLiteral("\n\u2022"));
    result = blankLines.replace(result, QStringLiteral("\n\n"));
    result = bulletSpacing.replace(result, QStringLiteral("\u2022 "));
    QStringList lines = result.split(QLatin1Char('\n'));
    const QString bullet = QStringLiteral("\u2022 ");
    for (QString& line : lines) {
        if (line.startsWith(bullet) && line.size() > bullet.size())
            line = bullet + line.mid(bullet.size(), 1).toUpper() + line.mid(bullet.size() + 1);
    }
    return lines.join(QLatin1Char('\n')).trimmed();
}

} // namespace Bullets
