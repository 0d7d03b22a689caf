#include "support/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, CountsUserPerceivedCharacters) {
    EXPECT_EQ(Text::graphemeCount(QStringLiteral("a👍🏽b")), 3);
    EXPECT_EQ(Text::graphemeCount(QStringLiteral("e\u0301")), 1);
    EXPECT_EQ(Text::graphemeCount(QStringLiteral("🇫🇷🇩🇪")), 2);
    EXPECT_EQ(Text::graphemeCount(QString()), 0);
}

TEST(TextTest, SlicesByGraphemes) {
    const QString text = QStringLiteral("a👍🏽be\u0301c");
    EXPECT_EQ(Text::graphemeSlice(text, 1, 1), QStringLiteral("👍🏽"));
    EXPECT_EQ(Text::graphemeSlice(text, 3, 1), QStringLiteral("e\u0301"));
    EXPECT_EQ(Text::graphemeSlice(text, 3, 10), QStringLiteral("e\u0301c"));
    EXPECT_EQ(Text::graphemeSlice(text, 9, 1), QString());
    EXPECT_EQ(Text::graphemePrefix(text, 2), QStringLiteral("a👍🏽"));
    EXPECT_EQ(Text::graphemeSuffix(text, 2), QStringLiteral("e\u0301c"));
    EXPECT_EQ(Text::utf16OffsetOfGrapheme(text, 2), 5);
    EXPECT_EQ(Text::utf16OffsetOfGrapheme(text, 99), text.size());
}

} // namespace
