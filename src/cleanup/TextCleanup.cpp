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

// The names that a range of days or dates runs between.
const QString kDayAndMonthNames =
    QStringLiteral("(?:Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday|Mon|Tues?|Wed|Thu(?:rs?)?|Fri|Sat|Sun"
                   "|January|February|March|April|May|June|July|August|September|October|November|December"
                   "|Jan|Feb|Mar|Apr|Jun|Jul|Aug|Sept?|Oct|Nov|Dec)");

// What ends the first value of a range: a number, with a sign or a short unit
// after it ("5%", "9 am", "10 kg", "5 p.m."), or a day or month name.
const QString kRangeStart = QStringLiteral("(?:\\p{N}[%\u2030\u00B0\u2032\u2033$\u20AC\u00A3\u00A5]?"
                                           "|\\p{N}\\x20?(?:\\p{Ll}{1,3}|\\p{Lu}{1,3}|[ap]\\.m\\.)"
                                           "|\\b")
                            + kDayAndMonthNames + QStringLiteral(")\\x20?");

// What starts the second value of a range: a number, after a currency sign or
// not, or a day or month name.
const QString kRangeEnd =
    QStringLiteral("\\x20?(?:[$\u20AC\u00A3\u00A5]?\\p{N}|") + kDayAndMonthNames + QStringLiteral("\\b)");

// A dash that stands between two parts of a sentence. An en dash joining two
// words ("well–known"), or between two values with or without blanks
// ("10–20", "$10–$20", "Mon – Fri", "9 am – 5 pm", "1 January – 3 March"),
// is a range and stays as it is. The look at what stands before is made only
// where an en dash is, as it is slow.
const QString kSentenceDash = QStringLiteral("(?:\u2014|(?=\u2013)(?!(?<=[\\p{L}\\p{N}])\u2013(?=[\\p{L}\\p{N}])|(?<=")
                              + kRangeStart + QStringLiteral(")\u2013(?=") + kRangeEnd + QStringLiteral("))\u2013)");

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
            // One blank after , ! ? ; : unless the mark follows a digit (1,000 and 10:30 stay),
            // a closing quote or bracket follows it, or it is one of a run of
            // sentence marks ("!!!", "?!", "?...").
            {Regex(QStringLiteral("(?<![0-9])([,;:]|[!?](?![!?.\u2026]))(?=[^\\s") + kClosingMarks
                   + QStringLiteral("])")),
             QStringLiteral("$1 ")},
            // A blank after a full stop directly followed by a capital, except
            // inside a dotted abbreviation: a capital followed by a full stop
            // ("Ph.D."), or a lone letter between lone letters ("the U.S");
            // and except inside a dotted name, where capitals follow the dot
            // ("ASP.NET") or the name goes on with another dot ("System.Text.Json").
            {Regex(QStringLiteral("(?<!\\.[\\p{L}\\p{N}]{1,40})\\.(?=[A-Z](?!\\.))(?![A-Z]{2,}(?!\\p{Ll}))"
                                  "(?![A-Z]\\p{L}*\\.[\\p{L}\\p{N}])"
                                  "(?:(?<!(?:^|\\P{L})\\p{L}\\.)|(?=[A-Z]\\p{L}))")),
             QStringLiteral(". ")},
            // Runs of blanks (not line breaks) become one.
            {Regex(QStringLiteral(" {2,}")), QStringLiteral(" ")},
            // Full stops after a sentence mark, or after closing quotes and
            // brackets that follow one, are dropped; an ellipsis ("...") stays.
            {Regex(QStringLiteral("(?<!\\.)(?!\\.{3}(?!\\.))([.!?][") + kClosingMarks
                   + QStringLiteral("]*)\\s*(?!\\.{3}(?!\\.))\\.+")),
             QStringLiteral("$1")},
        };
    }();
    return list;
}

// A web or mail address or a file path: a scheme and "//", "www.", "mailto:",
// a mailbox and "@", a host name and "/", or "/", "~/" or a drive ("C:\")
// before a name; up to the next white space, without the marks that close the
// sentence or an aside around it.
const Regex& addressOrPath() {
    static const Regex pattern(
        QStringLiteral("(?:\\b(?:[a-z][a-z0-9+.-]*://|www\\.|mailto:|[\\w.+-]+@|(?:[a-z0-9-]+\\.)+[a-z]{2,}/)"
                       "|(?<![\\w/])(?:~?/|[a-z]:\\\\)(?=[\\w.~-]))\\S*[^\\s.,!?;:'\"")
            + kClosingMarks + QStringLiteral("]"),
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
    // Addresses and paths are kept as they are; the rules work on the text around them.
    const QList<Regex::Match> addresses = addressOrPath().allMatches(text);
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
