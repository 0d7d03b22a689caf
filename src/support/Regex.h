#pragma once

#include <QFlags>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

// A compiled ICU regular expression over UTF-16 text. Patterns use ICU syntax
// (Unicode \b \w \s, bounded look-behind) and replacement templates use $1 and \$.
// A pattern that fails to compile matches nothing and leaves text unchanged;
// `isValid()` and `errorText()` say why.
class Regex {
public:
    enum Option {
        CaseInsensitive = 0x1,
        Multiline = 0x2, // ^ and $ match at line ends
        DotMatchesLineEnds = 0x4,
        AllowComments = 0x8, // whitespace and #-comments in the pattern
    };
    Q_DECLARE_FLAGS(Options, Option)

    // One match: the whole match is group 0. Offsets are UTF-16 units.
    struct Match {
        struct Group {
            qsizetype start = -1;
            qsizetype length = 0;
        };
        QList<Group> groups;
        QString subject;

        qsizetype start() const { return groups.value(0).start; }
        qsizetype length() const { return groups.value(0).length; }
        qsizetype end() const { return start() + length(); }
        bool hasGroup(int index) const { return index < groups.size() && groups[index].start >= 0; }
        // The text of group `index`, empty when it did not take part.
        QString captured(int index = 0) const;
    };

    Regex() = default;
    explicit Regex(const QString& pattern, Options options = {});

    bool isValid() const { return m_pattern != nullptr; }
    QString pattern() const { return m_source; }
    QString errorText() const { return m_error; }

    bool matches(const QString& text) const;
    // The first match at or after `from`, if any.
    std::optional<Match> firstMatch(const QString& text, qsizetype from = 0) const;
    QList<Match> allMatches(const QString& text) const;
    qsizetype count(const QString& text) const;

    // Replaces every match with `replacementTemplate` ($0, $1, … and \ escapes).
    QString replace(const QString& text, const QString& replacementTemplate) const;
    // Replaces every match with what `replacer` returns for it.
    QString replace(const QString& text, const std::function<QString(const Match&)>& replacer) const;

    // `text` with every character that has a meaning in a pattern escaped.
    static QString escape(const QString& text);
    // `text` with $ and \ escaped for use as a literal replacement template.
    static QString escapeTemplate(const QString& text);

private:
    QString m_source;
    QString m_error;
    std::shared_ptr<const icu::RegexPattern> m_pattern;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Regex::Options)
