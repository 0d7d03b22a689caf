#include "reader/ReaderTimeline.h"

#include <gtest/gtest.h>

namespace {

ReaderTimeline threeSentences() {
    // "Hi. It's 3.5 dollars! Why? Ok" with a pause after "Hi.".
    return ReaderTimeline({{"Hi.", 0.5, 0.8},
                           {"It's", 1.2, 1.4},
                           {"3.5", 1.4, 1.8},
                           {"dollars!", 1.8, 2.3},
                           {"Why?\"", 2.5, 2.9},
                           {"Ok", 3.0, 3.3}},
                          4.0);
}

QList<int> sentences(const ReaderTimeline& timeline) {
    QList<int> numbers;
    for (const ReaderTimeline::Word& word : timeline.words)
        numbers << word.sentence;
    return numbers;
}

} // namespace

TEST(ReaderTimeline, AnyFullStopExclamationOrQuestionMarkClosesTheSentenceAfterItsWord) {
    EXPECT_EQ(sentences(ReaderTimeline({{"One.", 0, 1}, {"two", 1, 2}, {"three", 2, 3}}, 3)), QList<int>({0, 1, 1}));
    // A decimal point closes too; so does a mark before a closing quote, and "?!" alone.
    EXPECT_EQ(sentences(threeSentences()), QList<int>({0, 1, 1, 2, 3, 4}));
    EXPECT_EQ(sentences(ReaderTimeline({{"a", 0, 1}, {"?!", 1, 2}, {"b", 2, 3}}, 3)), QList<int>({0, 0, 1}));
}

TEST(ReaderTimeline, EngineWordsAreSortedByStartAndDurationCoversTheLastWord) {
    const ReaderTimeline timeline({{"world.", 1.0, 1.6}, {"Hello", 0.2, 0.9}}, 0);
    ASSERT_EQ(timeline.words.size(), 2);
    EXPECT_EQ(timeline.words[0].text, "Hello");
    EXPECT_EQ(timeline.words[1].sentence, 0);
    EXPECT_DOUBLE_EQ(timeline.duration, 1.6);
    // A missing duration no longer pins every step to 0.
    EXPECT_DOUBLE_EQ(timeline.seek(0, 1.2), 0.2);
    EXPECT_DOUBLE_EQ(ReaderTimeline({{"a", 0, 1}}, 5).duration, 5);
}

TEST(ReaderTimeline, IndexFindsTheLastWordStartedAtOrBeforeTheTime) {
    const ReaderTimeline timeline = threeSentences();
    EXPECT_FALSE(timeline.index(0.499).has_value());
    EXPECT_FALSE(timeline.sentence(0.499).has_value());
    EXPECT_EQ(timeline.index(0.5), 0);
    EXPECT_EQ(timeline.index(1.0), 0); // a pause belongs to the word before
    // Two words sharing a start: the later one wins.
    EXPECT_EQ(timeline.index(1.4), 2);
    EXPECT_EQ(timeline.sentence(2.6), 3);
    EXPECT_EQ(timeline.index(100), 5);

    const ReaderTimeline tied({{"a", 1, 2}, {"b", 1, 2}, {"c", 1, 2}}, 2);
    EXPECT_EQ(tied.index(1), 2);
}

TEST(ReaderTimeline, SeekLandsOnTheStartOfTheSentenceAndStaysWithinTheAudio) {
    const ReaderTimeline timeline = threeSentences();
    EXPECT_DOUBLE_EQ(timeline.seek(2.0, 0.7), 2.5);   // into "Why?" → its own start
    EXPECT_DOUBLE_EQ(timeline.seek(1.5, -0.1), 1.2);  // back within a sentence → its start
    EXPECT_DOUBLE_EQ(timeline.seek(0.7, -0.5), 0);    // before the first word
    EXPECT_DOUBLE_EQ(timeline.seek(0.6, -0.05), 0.5); // within the first sentence
    EXPECT_DOUBLE_EQ(timeline.seek(3.0, 100), 4.0);   // clamped to the duration, in the last sentence
    EXPECT_DOUBLE_EQ(timeline.seek(0, -5), 0);        // never negative

    const ReaderTimeline empty({}, 2);
    EXPECT_TRUE(empty.words.isEmpty());
    EXPECT_FALSE(empty.index(1).has_value());
    EXPECT_DOUBLE_EQ(empty.seek(1, 5), 2);
    EXPECT_DOUBLE_EQ(empty.seek(1, 0.5), 1.5);
}

TEST(ReaderTimeline, AStepForwardNeverLandsBeforeWhereItStarted) {
    // A short opening sentence, a 40-second one, and a last one of 6 seconds.
    const ReaderTimeline timeline(
        {{"Hello.", 0, 1}, {"This", 2, 3}, {"goes", 3, 40}, {"on.", 40, 42}, {"The", 43, 44}, {"end.", 44, 49}}, 50);
    // Within the long sentence the step is the full 15 seconds...
    EXPECT_DOUBLE_EQ(timeline.seek(5, 15), 20);
    // ...or the next sentence's start when that comes first.
    EXPECT_DOUBLE_EQ(timeline.seek(30, 15), 43);
    // Over several short sentences it still lands on a sentence's start.
    EXPECT_DOUBLE_EQ(timeline.seek(0.5, 15), 2);
    // In the last sentence it goes to the end, never back to that sentence's start.
    EXPECT_DOUBLE_EQ(timeline.seek(45, 15), 50);
    EXPECT_DOUBLE_EQ(timeline.seek(50, 15), 50);
    // Backward steps keep landing on a sentence's start.
    EXPECT_DOUBLE_EQ(timeline.seek(45, -15), 2);
}
