#include "reader/ReaderChunks.h"

#include <gtest/gtest.h>

namespace {

using ReaderChunks::splitForReader;

// A sentence of exactly `length` characters ending in ". ".
// Capitals, so that the sentence before it ends.
QString sentence(int length, QChar letter = u'a') {
    return QString(length - 2, letter.toUpper()) + QStringLiteral(". ");
}

TEST(ReaderChunksTest, SentencesEndOnlyBeforeWhiteSpaceAndACapitalOrTheEnd) {
    EXPECT_TRUE(splitForReader(QStringLiteral(" \n\t ")).isEmpty());
    // Everything fits the first chunk, so only the chunk boundaries of a
    // tight limit show the sentences: use long sentences around the marks.
    const QString pad(100, u'x');
    EXPECT_EQ(splitForReader(pad + QStringLiteral(" Dr. smith ") + pad).size(), 1);
    EXPECT_EQ(splitForReader(pad + QStringLiteral(" 3.5 km and ") + pad).size(), 1);
    EXPECT_EQ(splitForReader(pad + QStringLiteral(" costs 3. 5 more ") + pad).size(), 1);
    EXPECT_EQ(splitForReader(pad + QStringLiteral(". x") + pad).size(), 1) << "a lower-case letter follows";
    const QString capitals(100, u'X');
    EXPECT_EQ(splitForReader(capitals + QStringLiteral(". ") + capitals), (QStringList{capitals + u'.', capitals}));
    EXPECT_EQ(splitForReader(capitals + QStringLiteral("? ") + capitals).size(), 2);
    EXPECT_EQ(splitForReader(QStringLiteral("Really?!")), QStringList{QStringLiteral("Really?!")});
}

TEST(ReaderChunksTest, FirstChunkHoldsAtMost120AndLaterOnesAtMost640) {
    // 100 + 30 is over 120: the first sentence stands alone.
    const QString text =
        sentence(100) + sentence(30, u'b') + sentence(300, u'c') + sentence(300, u'd') + sentence(100, u'e');
    const QStringList chunks = splitForReader(text);
    ASSERT_EQ(chunks.size(), 3);
    EXPECT_EQ(chunks[0], sentence(100).trimmed());
    EXPECT_EQ(chunks[1], (sentence(30, u'b') + sentence(300, u'c') + sentence(300, u'd')).trimmed());
    EXPECT_EQ(chunks[2], sentence(100, u'e').trimmed());
}

TEST(ReaderChunksTest, ExactlyTheLimitStillJoins) {
    EXPECT_EQ(splitForReader(sentence(60) + sentence(60, u'b')).size(), 1);
    // The text's last space is trimmed: 60 + 61 characters.
    EXPECT_EQ(splitForReader(sentence(60) + sentence(62, u'b')).size(), 2);
    const QStringList later = splitForReader(sentence(120) + sentence(320, u'b') + sentence(320, u'c'));
    EXPECT_EQ(later.size(), 2);
    // A first sentence over the limit is still one chunk of its own.
    EXPECT_EQ(splitForReader(sentence(500) + sentence(20, u'b')).first().size(), 499);
}

TEST(ReaderChunksTest, LengthsCountCharactersNotUnits) {
    // 59 flags are 236 UTF-16 units but 59 characters.
    QString flags;
    for (int i = 0; i < 59; ++i)
        flags += QStringLiteral("🇩🇪");
    EXPECT_EQ(splitForReader(flags + QStringLiteral(". ") + sentence(59, u'b')).size(), 1);
}

TEST(ReaderChunksTest, ALineBreakEndsASentenceAndIsTrimmedFromItsChunk) {
    const QString first(100, u'a');
    const QStringList chunks = splitForReader(first + QStringLiteral("\n") + QString(30, u'b'));
    EXPECT_EQ(chunks, (QStringList{first, QString(30, u'b')}));
}

TEST(ReaderChunksTest, SentencesOver2000CharactersAreCutAtWhiteSpace) {
    QString words;
    while (words.size() < 4500)
        words += QStringLiteral("lorem ipsum ");
    const QStringList chunks = splitForReader(words.trimmed() + u'.');
    ASSERT_GE(chunks.size(), 3);
    int total = 0;
    for (const QString& chunk : chunks) {
        EXPECT_LE(chunk.size(), ReaderChunks::kSentenceLimit);
        EXPECT_FALSE(chunk.isEmpty());
        const QString lastWord = chunk.section(u' ', -1);
        EXPECT_TRUE(lastWord == QLatin1String("lorem") || lastWord == QLatin1String("ipsum")
                    || lastWord == QLatin1String("ipsum."))
            << "cut inside a word: " << chunk.right(12).toStdString();
        total += int(chunk.split(u' ').size());
    }
    EXPECT_EQ(total, words.trimmed().split(u' ').size());

    const QStringList hard = splitForReader(QString(4100, u'z'));
    EXPECT_EQ(hard.size(), 3) << "a run without white space is cut where it must be";
}

} // namespace
