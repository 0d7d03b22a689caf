#include "learning/SelectionReplacement.h"

#include "cleanup/PronounI.h"
#include "support/Regex.h"
#include "support/Text.h"

namespace {

// A full stop, question or exclamation mark that ends a sentence: at the end,
// or before white space, possibly inside closing quotes or brackets.
const Regex& sentenceMark() {
    static const Regex pattern(QStringLiteral("[.!?\u2026][\"'\u201D\u2019)\\]]*(?:\\s|$)"));
    return pattern;
}

const Regex& firstWord() {
    static const Regex pattern(QStringLiteral("[\\p{L}][\\p{L}'\u2019-]*"));
    return pattern;
}

qsizetype leadingSpace(const QString& text) {
    qsizetype count = 0;
    while (count < text.size() && text[count].isSpace())
        ++count;
    return count;
}

qsizetype trailingSpace(const QString& text) {
    qsizetype count = 0;
    while (count < text.size() && text[text.size() - 1 - count].isSpace())
        ++count;
    return count;
}

bool isFragment(const QString& text) {
    const std::optional<Regex::Match> word = firstWord().firstMatch(text);
    return word && word->captured().front().isLower() && !sentenceMark().matches(text);
}

// `cleaned` with its first word in the case that word has in `original`: the
// capital the cleanup gave a fragment goes, a capital that was there stays, and
// so does the capital of the pronoun "I", which is one wherever it stands.
QString withOriginalCase(const QString& original, const QString& cleaned) {
    const std::optional<Regex::Match> word = firstWord().firstMatch(cleaned);
    if (!word || !word->captured().front().isUpper())
        return cleaned;
    const Regex sameWord(QStringLiteral("(?<![\\p{L}'\u2019-])") + Regex::escape(word->captured())
                             + QStringLiteral("(?![\\p{L}'\u2019-])"),
                         Regex::CaseInsensitive);
    const std::optional<Regex::Match> said = sameWord.firstMatch(original);
    if (!said || !said->captured().front().isLower() || PronounI::capitalized(original)[said->start()].isUpper())
        return cleaned;
    return cleaned.left(word->start()) + Text::lowercasedFirst(cleaned.mid(word->start()));
}

} // namespace

namespace SelectionReplacement {

QString fitted(const QString& selected, const QString& cleaned) {
    QString text = cleaned.trimmed();
    if (text.isEmpty())
        return {};
    const qsizetype lead = leadingSpace(selected);
    const qsizetype trail = lead == selected.size() ? 0 : trailingSpace(selected);
    const QString core = selected.mid(lead, selected.size() - lead - trail);
    if (isFragment(core)) {
        text = withOriginalCase(core, text);
        // The fragment had no sentence mark: a full stop is the cleanup's.
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return selected.left(lead) + text + selected.right(trail);
}

} // namespace SelectionReplacement
