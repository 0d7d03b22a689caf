#include "reader/SourceWords.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using Spoken = SourceWords::Spoken;

// Spoken words one second apart, the way the engine returns them.
QList<Spoken> saidOnePerSecond(const QStringList& words) {
    QList<Spoken> spoken;
    for (qsizetype i = 0; i < words.size(); ++i)
        spoken.append({words[i], double(i), double(i + 1)});
    return spoken;
}

QStringList texts(const QList<ReaderTimeline::Word>& words) {
    QStringList shown;
    for (const ReaderTimeline::Word& word : words)
        shown << word.text;
    return shown;
}

QList<int> sentences(const QList<ReaderTimeline::Word>& words) {
    QList<int> numbers;
    for (const ReaderTimeline::Word& word : words)
        numbers << word.sentence;
    return numbers;
}

} // namespace

TEST(SourceWords, ThePageIsTheSourceWithItsPunctuationWhateverThePreparationSaid) {
    const QString source = QStringLiteral(
        "Well, it cost \u201c$3.50\u201d at most, said Dr. Smith. Was it on the shore? \u201cYes,\u201d he said.");
    // What the preparation and the engine made of it: plain quotes, the sum
    // and the title written out, "the" not reported on its own.
    const QList<Spoken> spoken =
        saidOnePerSecond({"Well,", "it",     "cost",   "\"3", "dollars", "and", "50",     "cents\"",  "at", "most,",
                          "said",  "Doctor", "Smith.", "Was", "it",      "on",  "shore?", "\"Yes,\"", "he", "said."});
    const QList<ReaderTimeline::Word> words = SourceWords::timed(source, spoken, 20, QStringLiteral("en_US"));
    EXPECT_EQ(texts(words).join(u' '), source);
    EXPECT_EQ(texts(words), source.split(u' '));
    // Each word starts when it was said; the dropped "the" between its neighbours.
    const QStringList shown = texts(words);
    EXPECT_DOUBLE_EQ(words[shown.indexOf(QStringLiteral("\u201c$3.50\u201d"))].start, 3);
    EXPECT_DOUBLE_EQ(words[shown.indexOf(QStringLiteral("Dr."))].start, 11);
    const ReaderTimeline::Word& the = words[shown.indexOf(QStringLiteral("the"))];
    EXPECT_GT(the.start, 15);
    EXPECT_LT(the.start, 16);
    for (qsizetype i = 1; i < words.size(); ++i) {
        EXPECT_GE(words[i].start, words[i - 1].start) << words[i].text.toStdString();
        EXPECT_DOUBLE_EQ(words[i - 1].end, words[i].start);
    }
    EXPECT_DOUBLE_EQ(words.back().end, 20);
}

TEST(SourceWords, SentencesAreTheSourcesOwnNotEveryFullStop) {
    const QString source =
        QStringLiteral("It cost $3.50 at most. Dr. Smith paid it. Did he? \u201cYes!\u201d said Ann.");
    const QList<ReaderTimeline::Word> words =
        SourceWords::timed(source, saidOnePerSecond(source.split(u' ')), 14, QStringLiteral("en_US"));
    EXPECT_EQ(sentences(words), QList<int>({0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 4, 4}));

    // Steps of 15 seconds land on sentence starts: the timeline's own step.
    QStringList longer;
    for (int i = 0; i < 8; ++i)
        longer << QStringLiteral("One two three four five six seven eight nine ten.");
    const QString paragraph = longer.join(u' ');
    const ReaderTimeline timeline = ReaderTimeline::ofWords(
        SourceWords::timed(paragraph, saidOnePerSecond(paragraph.split(u' ')), 80, QStringLiteral("en")), 80);
    EXPECT_DOUBLE_EQ(timeline.seek(10, 15), 20);
    EXPECT_DOUBLE_EQ(timeline.seek(30, -15), 10);
    EXPECT_DOUBLE_EQ(timeline.seek(34, 15), 40);
}

TEST(SourceWords, OtherLanguagesAndTextWithoutSpacesKeepTheirOwnWords) {
    const QString spanish = QStringLiteral("\u00bfQu\u00e9 tal, se\u00f1or? El Sr. G\u00f3mez pag\u00f3 3,50 euros.");
    const QList<ReaderTimeline::Word> words =
        SourceWords::timed(spanish, saidOnePerSecond(spanish.split(u' ')), 9, QStringLiteral("es"));
    EXPECT_EQ(texts(words), spanish.split(u' '));
    EXPECT_EQ(sentences(words), QList<int>({0, 0, 0, 1, 1, 1, 1, 1, 1}));

    // Chinese: the engine's words cut the run; the full stop stays with its word.
    const QString chinese = QStringLiteral("\u4eca\u5929\u5f88\u597d\u3002\u6211\u4eec\u53bb\u3002");
    const QList<ReaderTimeline::Word> cut = SourceWords::timed(
        chinese,
        saidOnePerSecond({QStringLiteral("\u4eca\u5929"), QStringLiteral("\u5f88"), QStringLiteral("\u597d\u3002"),
                          QStringLiteral("\u6211\u4eec"), QStringLiteral("\u53bb\u3002")}),
        5, QStringLiteral("zh"));
    EXPECT_EQ(texts(cut),
              QStringList({QStringLiteral("\u4eca\u5929"), QStringLiteral("\u5f88"), QStringLiteral("\u597d\u3002"),
                           QStringLiteral("\u6211\u4eec"), QStringLiteral("\u53bb\u3002")}));
    EXPECT_EQ(sentences(cut), QList<int>({0, 0, 0, 1, 1}));
}

TEST(SourceWords, WordsOfAnotherTextLightNothing) {
    const QString source = QStringLiteral("Buenos d\u00edas, amigos m\u00edos, \u00bfc\u00f3mo est\u00e1is hoy?");
    EXPECT_TRUE(SourceWords::timed(source, saidOnePerSecond({"when", "those", "in", "most", "days", "are"}), 6,
                                   QStringLiteral("es"))
                    .isEmpty());
    EXPECT_TRUE(SourceWords::timed(source, {}, 6, QStringLiteral("es")).isEmpty());
    EXPECT_TRUE(SourceWords::timed(QStringLiteral("\u2026 \u2014"), saidOnePerSecond({"x"}), 1, QStringLiteral("en"))
                    .isEmpty());
}
