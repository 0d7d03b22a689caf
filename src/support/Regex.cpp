#include "support/Regex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

icu::UnicodeString aliasOf(const QString& text) {
    // A read-only alias: no copy of the subject for each match.
    return icu::UnicodeString(false, reinterpret_cast<const char16_t*>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

uint32_t icuFlags(Regex::Options options) {
    uint32_t flags = 0;
    if (options & Regex::CaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options & Regex::Multiline)
        flags |= UREGEX_MULTILINE;
    if (options & Regex::DotMatchesLineEnds)
        flags |= UREGEX_DOTALL;
    if (options & Regex::AllowComments)
        flags |= UREGEX_COMMENTS;
    return flags;
}

Regex::Match makeMatch(const icu::RegexMatcher& matcher, const QString& text) {
    UErrorCode status = U_ZERO_ERROR;
    Regex::Match match;
    match.subject = text;
    const int32_t groupCount = matcher.groupCount();
    for (int32_t g = 0; g <= groupCount; ++g) {
        const int32_t start = matcher.start(g, status);
        const int32_t end = matcher.end(g, status);
        match.groups.append({start, start < 0 ? 0 : end - start});
    }
    return match;
}

} // namespace

QString Regex::Match::captured(int index) const {
    if (!hasGroup(index))
        return {};
    return subject.mid(groups[index].start, groups[index].length);
}

Regex::Regex(const QString& pattern, Options options) : m_source(pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(aliasOf(pattern), icuFlags(options), parseError, status));
    if (U_FAILURE(status) || !compiled) {
        m_error =
            QStringLiteral("%1 at offset %2").arg(QString::fromLatin1(u_errorName(status))).arg(parseError.offset);
        return;
    }
    m_pattern = std::move(compiled);
}

bool Regex::matches(const QString& text) const { return firstMatch(text).has_value(); }

std::optional<Regex::Match> Regex::firstMatch(const QString& text, qsizetype from) const {
    if (!m_pattern || from > text.size())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString subject = aliasOf(text);
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->matcher(subject, status));
    if (U_FAILURE(status) || !matcher->find(int64_t(from), status) || U_FAILURE(status))
        return std::nullopt;
    return makeMatch(*matcher, text);
}

QList<Regex::Match> Regex::allMatches(const QString& text) const {
    QList<Match> matches;
    if (!m_pattern)
        return matches;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString subject = aliasOf(text);
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->matcher(subject, status));
    if (U_FAILURE(status))
        return matches;
    while (matcher->find(status) && U_SUCCESS(status))
        matches.append(makeMatch(*matcher, text));
    return matches;
}

qsizetype Regex::count(const QString& text) const { return allMatches(text).size(); }

QString Regex::replace(const QString& text, const QString& replacementTemplate) const {
    if (!m_pattern)
        return text;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString subject = aliasOf(text);
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->matcher(subject, status));
    if (U_FAILURE(status))
        return text;
    const icu::UnicodeString result = matcher->replaceAll(aliasOf(replacementTemplate), status);
    return U_FAILURE(status) ? text : fromIcu(result);
}

QString Regex::replace(const QString& text, const std::function<QString(const Match&)>& replacer) const {
    const QList<Match> matches = allMatches(text);
    if (matches.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype last = 0;
    for (const Match& match : matches) {
        out += QStringView(text).mid(last, match.start() - last);
        out += replacer(match);
        last = match.end();
    }
    out += QStringView(text).mid(last);
    return out;
}

QString Regex::escape(const QString& text) {
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}-/#&~ ");
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        if (special.contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString Regex::escapeTemplate(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('$'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}
