#include "support/Regex.h"

#include <gtest/gtest.h>

namespace {

TEST(RegexTest, TemplatesReplaceWithCapturedGroups) {
    const Regex swap(QStringLiteral("(\\w+) (\\w+)"));
    EXPECT_EQ(swap.replace(QStringLiteral("hello world"), QStringLiteral("$2 $1")), QStringLiteral("world hello"));
    // An escaped dollar is literal.
    EXPECT_EQ(Regex(QStringLiteral("cost")).replace(QStringLiteral("cost"), QStringLiteral("\\$5")),
              QStringLiteral("$5"));
    const QString literal = Regex::escapeTemplate(QStringLiteral("a$1\\b"));
    EXPECT_EQ(Regex(QStringLiteral("x")).replace(QStringLiteral("x"), literal), QStringLiteral("a$1\\b"));
}

TEST(RegexTest, BoundedLookBehindAndCaseInsensitivity) {
    const Regex afterDigit(QStringLiteral("(?<=\\d{1,3}) percent"), Regex::CaseInsensitive);
    ASSERT_TRUE(afterDigit.isValid()) << afterDigit.errorText().toStdString();
    EXPECT_EQ(afterDigit.replace(QStringLiteral("50 Percent of ten percent"), QStringLiteral("%")),
              QStringLiteral("50% of ten percent"));
}

TEST(RegexTest, WordBoundariesAreUnicodeAware) {
    const Regex word(QStringLiteral("\\bé\\b"));
    EXPECT_TRUE(word.matches(QStringLiteral("il a é là")));
    EXPECT_FALSE(word.matches(QStringLiteral("café")));
    EXPECT_EQ(Regex(QStringLiteral("\\w+")).firstMatch(QStringLiteral("  déjà vu"))->captured(),
              QStringLiteral("déjà"));
}

TEST(RegexTest, MatchOffsetsAreUtf16Units) {
    const QString text = QStringLiteral("😀 ab");
    const auto match = Regex(QStringLiteral("ab")).firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->start(), 3);
    EXPECT_EQ(match->length(), 2);
}

TEST(RegexTest, OptionalGroupsAndCallbackReplacement) {
    const Regex number(QStringLiteral("(\\d+)(?:\\.(\\d+))?"));
    const QList<Regex::Match> matches = number.allMatches(QStringLiteral("1.5 and 7"));
    ASSERT_EQ(matches.size(), 2);
    EXPECT_EQ(matches[0].captured(2), QStringLiteral("5"));
    EXPECT_FALSE(matches[1].hasGroup(2));
    EXPECT_EQ(number.replace(QStringLiteral("1.5 and 7"),
                             [](const Regex::Match& m) { return QStringLiteral("<%1>").arg(m.captured(1)); }),
              QStringLiteral("<1> and <7>"));
}

TEST(RegexTest, AnInvalidPatternLeavesTextUnchanged) {
    const Regex broken(QStringLiteral("(unclosed"));
    EXPECT_FALSE(broken.isValid());
    EXPECT_FALSE(broken.errorText().isEmpty());
    EXPECT_EQ(broken.replace(QStringLiteral("unclosed"), QStringLiteral("x")), QStringLiteral("unclosed"));
    EXPECT_FALSE(broken.matches(QStringLiteral("unclosed")));
}

TEST(RegexTest, EscapedTextMatchesItself) {
    const QString special = QStringLiteral("a.b*c (d) [e] $f ^g | h? +i {2} \\ #");
    const Regex literal(Regex::escape(special));
    ASSERT_TRUE(literal.isValid());
    const auto match = literal.firstMatch(QStringLiteral("xx") + special);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->start(), 2);
}

TEST(RegexTest, MultilineAnchors) {
    const Regex lineStart(QStringLiteral("^- "), Regex::Multiline);
    EXPECT_EQ(lineStart.replace(QStringLiteral("- a\n- b"), QStringLiteral("• ")), QStringLiteral("• a\n• b"));
}

} // namespace
