// The rule passes: fillers, spoken e-mail addresses, the rules-only clean, and
// the closing pass every cleanup path ends with.
#include "cleanup/CleanupEngine.h"

#include "cleanup/Bullets.h"
#include "cleanup/CleanupPatterns.h"
#include "cleanup/PronounI.h"
#include "cleanup/SpokenAddresses.h"
#include "cleanup/TextCleanup.h"
#include "support/Defaults.h"

namespace {

// `text` with its first non-blank character upper-cased when it is a lower-case letter.
QString capitalizeFirstLetter(const QString& text, bool& done) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))
            continue;
        done = true;
        if (text[i].isLower())
            return text.left(i) + text[i].toUpper() + text.mid(i + 1);
        return text;
    }
    return text;
}

bool atSentenceStart(const QString& before) {
    qsizetype end = before.size();
    while (end > 0 && (before[end - 1] == QLatin1Char(' ') || before[end - 1] == QLatin1Char('\t')))
        --end;
    return end == 0 || QStringLiteral(".!?\n").contains(before[end - 1]);
}

// Whether `removed` ends, but for blanks, in a mark that closes a sentence.
bool endsInSentenceMark(const QString& removed) {
    const QString text = removed.trimmed();
    return !text.isEmpty() && QStringLiteral(".!?\u2026").contains(text.back());
}

// Removes every filler. A filler that opened a sentence with a capital ("Um, we
// should …"), or stood as a sentence of its own ("um... okay"), hands a capital
// on to the word after it.
QString removeFillers(const QString& text) {
    const QList<Regex::Match> matches = CleanupPatterns::fillers().allMatches(text);
    if (matches.isEmpty())
        return text;
    QString out;
    qsizetype last = 0;
    bool capitalizeNext = false;
    const auto append = [&](const QString& segment) {
        if (!capitalizeNext) {
            out += segment;
            return;
        }
        bool done = false;
        out += capitalizeFirstLetter(segment, done);
        capitalizeNext = !done;
    };
    for (const Regex::Match& match : matches) {
        append(text.mid(last, match.start() - last));
        const QString removed = match.captured();
        const auto letter = std::find_if(removed.begin(), removed.end(), [](QChar c) { return c.isLetter(); });
        if (((letter != removed.end() && letter->isUpper()) || endsInSentenceMark(removed)) && atSentenceStart(out))
            capitalizeNext = true;
        last = match.end();
    }
    append(text.mid(last));
    return out;
}

// Whether `text` needs no full stop: it ends in a sentence mark or an ellipsis, a straight
// quote or a colon, or in closing quotes and brackets after a sentence mark.
bool endsAsSentence(const QString& text) {
    static const QString closing = QStringLiteral("\u201D\u2019)]}\u00BB");
    qsizetype end = text.size();
    while (end > 0 && closing.contains(text[end - 1]))
        --end;
    if (end == 0)
        return false;
    const QString marks = end == text.size() ? QStringLiteral(".!?\u2026\"':") : QStringLiteral(".!?\u2026");
    return marks.contains(text[end - 1]);
}

} // namespace

QString CleanupEngine::stripFillers(const QString& text) {
    QString result = removeFillers(text);
    result = CleanupPatterns::blankRuns().replace(result, QStringLiteral(" "));
    result = CleanupPatterns::spaceBeforeMark().replace(result, QStringLiteral("$1"));
    return result.trimmed();
}

QString CleanupEngine::regexClean(const QString& text) {
    QString result = removeFillers(text.trimmed());
    result = CleanupPatterns::stutters().replace(result, QStringLiteral("$1"));
    result = CleanupPatterns::doubleBlanks().replace(result, QStringLiteral(" "));
    result = CleanupPatterns::spaceBeforeMark().replace(result, QStringLiteral("$1"));
    result = PronounI::capitalized(TextCleanup::postProcess(result));
    if (!result.isEmpty() && !endsAsSentence(result))
        result += QLatin1Char('.');
    return result;
}

const QMap<QString, QString>& CleanupEngine::knownMailProviders() {
    static const QMap<QString, QString> providers = {
        {"gmail", "gmail.com"},     {"googlemail", "googlemail.com"},
        {"yahoo", "yahoo.com"},     {"hotmail", "hotmail.com"},
        {"outlook", "outlook.com"}, {"icloud", "icloud.com"},
        {"proton", "proton.me"},    {"protonmail", "protonmail.com"},
        {"aol", "aol.com"},         {"live", "live.com"},
        {"msn", "msn.com"},
    };
    return providers;
}

QString CleanupEngine::normalizeSpokenEmails(const QString& text) { return SpokenAddresses::writeEmailAddresses(text); }

bool CleanupEngine::listsFromCounting() { return Defaults::shared().boolOr(QStringLiteral("listsFromCounting"), true); }

namespace {

// E-mail addresses, then site names: a written address holds no spoken dot.
QString writtenAddresses(const QString& text) {
    return SpokenAddresses::writeSiteNames(CleanupEngine::normalizeSpokenEmails(text));
}

// `unpunctuated`: the transcript held no punctuation before the rules added any.
QString applyLists(const QString& text, bool allowInferredLists, bool unpunctuated) {
    const QString result = Bullets::applyCommands(text, unpunctuated);
    return allowInferredLists && CleanupEngine::listsFromCounting() ? Bullets::applyEnumeration(result) : result;
}

} // namespace

QString CleanupEngine::closingRulePass(const QString& text, std::optional<NumberStyle> numbers,
                                       bool allowInferredLists) {
    QString result = digitizeNumbers(writtenAddresses(text), numbers);
    result = PronounI::capitalized(TextCleanup::postProcess(result, numbers));
    return applyLists(result, allowInferredLists, !Bullets::holdsPunctuation(text));
}

QString CleanupEngine::rulesOnlyClean(const QString& text, std::optional<NumberStyle> numbers,
                                      bool allowInferredLists) {
    const QString result = digitizeNumbers(writtenAddresses(regexClean(text)), numbers);
    return applyLists(result, allowInferredLists, !Bullets::holdsPunctuation(text));
}
