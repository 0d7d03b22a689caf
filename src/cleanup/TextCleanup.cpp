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

// A dash that stands between two parts of a sentence. An en dash joining two
// words or numbers ("Mon–Fri", "10–20"), or two numbers with a blank on each
// side ("30 – 40"), is a range and stays as it is.
const QString kSentenceDash = QStringLiteral(
    "(?:\u2014|(?!(?<=[\\p{L}\\p{N}])\u2013(?=[\\p{L}\\p{N}])|(?<=[0-9]\\x20)\u2013(?=\\x20[0-9]))\u2013)");

// Marks that close a quotation or an aside.
const QString kClosingMarks = QStringLiteral("\u201D\u2019)\\]}\u00BB");

// Applied in order, each over the whole text.
const QList<Rule>& rules() {
    static const QList<Rule> list = [] {
        const QString dash = kSentenceDash;
        return QList<Rule>{
            // A short aside between two dashes becomes an aside between commas.
            {Regex(QStringLiteral("\\s*") + dash + QStringLiteral("\\s*([^\u2014\u2013]{1,60}?)\\s*") + dash
                   + QStringLiteral("\\s*")),
             QStringLiteral(", $1, ")},
            // A dash before a capital ends the sentence.
            {Regex(QStringLiteral("\\s*(?:") + dash + QStringLiteral(")+\\s*([A-Z])")), QStringLiteral(". $1")},
            // Any other dash (or run of dashes) reads as a comma.
            {Regex(QStringLiteral("\\s*(?:") + dash + QStringLiteral(")+\\s*")), QStringLiteral(", ")},
            // No white space before punctuation.
            {Regex(QStringLiteral("\\s+([,.!?;:])")), QStringLiteral("$1")},
            // One blank after , ! ? ; : unless the mark follows a digit (1,000 and 10:30 stay)
            // or a closing quote or bracket follows it.
            {Regex(QStringLiteral("(?<![0-9])([,!?;:])(?=[^\\s") + kClosingMarks + QStringLiteral("])")),
             QStringLiteral("$1 ")},
            // A blank after a full stop directly followed by a capital, except
            // inside a dotted abbreviation: a capital followed by a full stop
            // ("Ph.D."), or a lone letter between lone letters ("the U.S").
            {Regex(QStringLiteral("\\.(?=[A-Z](?!\\.))(?:(?<!(?:^|\\P{L})\\p{L}\\.)|(?=[A-Z]\\p{L}))")),
             QStringLiteral(". ")},
            // Runs of blanks (not line breaks) become one.
            {Regex(QStringLiteral(" {2,}")), QStringLiteral(" ")},
            // Full stops after a sentence mark, or after closing quotes and
            // brackets that follow one, are dropped.
            {Regex(QStringLiteral("([.!?][") + kClosingMarks + QStringLiteral("]*)\\s*\\.+")), QStringLiteral("$1")},
        };
    }();
    return list;
}

// A web address: a scheme and "//", or "www.", up to the next white space,
// without the marks that close the sentence or an aside around it.
const Regex& webAddress() {
    static const Regex pattern(QStringLiteral("\\b(?:[a-z][a-z0-9+.-]*://|www\\.)\\S*[^\\s.,!?;:'\"") + kClosingMarks
                                   + QStringLiteral("]"),
                               Regex::CaseInsensitive);
    return pattern;
}

QString withRules(QString text) {
    for (const Rule& rule : rules())
        text = rule.pattern.replace(text, rule.replacement);
    return text;
}

} // namespace

namespace TextCleanup {

QString postProcess(const QString& input, std::optional<NumberStyle> /*numbers*/) {
    const QString text = DictionaryStore::correct(input).trimmed();
    if (text.isEmpty())
        return {};
    // Web addresses are kept as they are; the rules work on the text around them.
    const QList<Regex::Match> addresses = webAddress().allMatches(text);
    QString result;
    qsizetype last = 0;
    for (const Regex::Match& address : addresses) {
        result += withRules(text.mid(last, address.start() - last)) + address.captured();
        last = address.end();
    }
    result += withRules(text.mid(last));
    // An e-mail address keeps its case too.
    static const Regex mailAddress(QStringLiteral("^[\\w.+-]+@[\\w-]+\\.\\w"));
    const bool startsWithAddress =
        (!addresses.isEmpty() && addresses.front().start() == 0) || mailAddress.matches(result);
    if (!startsWithAddress && QChar::isLower(Text::firstCodePoint(result)))
        result = Text::uppercasedFirst(result);
    return result;
}

} // namespace TextCleanup
