#include "cleanup/Bullets.h"

#include "support/Regex.h"

#include <array>

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

// The same commands wherever they stand as words, for a transcript without marks.
const QList<Regex>& looseCommandPatterns() {
    static const QList<Regex> patterns = [] {
        QList<Regex> list;
        for (const QString& phrase : Bullets::commands())
            list << Regex(QStringLiteral("(?:^|\\s+)") + Regex::escape(phrase) + QStringLiteral("\\s+"),
                          Regex::CaseInsensitive);
        return list;
    }();
    return patterns;
}

qsizetype looseCommandCount(const QString& text) {
    static const Regex command(QStringLiteral("(?<!\\S)(?:next |new )?bullet(?: point)?\\s"), Regex::CaseInsensitive);
    return command.allMatches(text).size();
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
            list << Regex(QStringLiteral("(?:^|(?<=[.;:!?])|(?<=\\n))\\s*(?:and\\s+)?(?:") + words.join(QLatin1Char('|'))
                              + QStringLiteral(")\\s*[,.]\\s+"),
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
    static const Regex mark(QStringLiteral("[.,;:!?\\n]"));
    return mark.matches(text);
}

QString applyCommands(const QString& text, bool unpunctuated) {
    const bool loose = unpunctuated && looseCommandCount(text) >= 2;
    if (!loose && !commandDetector().matches(text))
        return text;
    QString result = text;
    for (const Regex& command : loose ? looseCommandPatterns() : commandPatterns())
        result = command.replace(result, Regex::escapeTemplate(bulletLine));
    static const Regex emptyFirstLine(QStringLiteral("^\\s*\\n"));
    return tidy(emptyFirstLine.replace(result, QString()));
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
