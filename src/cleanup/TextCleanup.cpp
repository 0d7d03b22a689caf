#include "cleanup/TextCleanup.h"

#include "stores/DictionaryStore.h"
#include "support/Regex.h"
#include "support/Text.h"

#include <QList>

namespace {

struct Rule {
    Regex pattern;
    QString replacement;
};

// Applied in order, each over the whole text.
const QList<Rule>& rules() {
    static const QList<Rule> list = [] {
        const QString dash = QStringLiteral("[\u2014\u2013]");
        return QList<Rule>{
            // A short aside between two dashes becomes an aside between commas.
            {Regex(QStringLiteral("\\s*") + dash + QStringLiteral("\\s*([^\u2014\u2013]{1,60}?)\\s*") + dash
                   + QStringLiteral("\\s*")),
             QStringLiteral(", $1, ")},
            // A dash before a capital ends the sentence.
            {Regex(QStringLiteral("\\s*") + dash + QStringLiteral("+\\s*([A-Z])")), QStringLiteral(". $1")},
            // Any other dash (or run of dashes) reads as a comma.
            {Regex(QStringLiteral("\\s*") + dash + QStringLiteral("+\\s*")), QStringLiteral(", ")},
            // No white space before punctuation.
            {Regex(QStringLiteral("\\s+([,.!?;:])")), QStringLiteral("$1")},
            // One blank after , ! ? ; : unless the mark follows a digit (1,000 and 10:30 stay).
            {Regex(QStringLiteral("(?<![0-9])([,!?;:])(?=[^\\s])")), QStringLiteral("$1 ")},
            // A blank after a full stop directly followed by a capital.
            {Regex(QStringLiteral("\\.(?=[A-Z])")), QStringLiteral(". ")},
            // Runs of blanks (not line breaks) become one.
            {Regex(QStringLiteral(" {2,}")), QStringLiteral(" ")},
            // Full stops after a sentence mark are dropped.
            {Regex(QStringLiteral("([.!?])\\s*\\.+")), QStringLiteral("$1")},
        };
    }();
    return list;
}

} // namespace

namespace TextCleanup {

QString postProcess(const QString& input, std::optional<NumberStyle> /*numbers*/) {
    QString text = DictionaryStore::correct(input).trimmed();
    if (text.isEmpty())
        return {};
    for (const Rule& rule : rules())
        text = rule.pattern.replace(text, rule.replacement);
    if (QChar::isLower(Text::firstCodePoint(text)))
        text = Text::uppercasedFirst(text);
    return text;
}

} // namespace TextCleanup
