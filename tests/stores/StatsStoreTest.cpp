#include "stores/StatsStore.h"
#include "support/TempFolder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

StatsStore::Totals totals(qint64 words, double seconds) { return {words, 1, seconds}; }

TEST(StatsStoreTest, DerivedFigures) {
    TempFolder folder;
    StatsStore store(folder.path());
    struct Row {
        qint64 words;
        double seconds;
        double saved;
        qint64 wpm;
    };
    const Row rows[] = {
        {400, 120, 480, 200},
        {10, 60, 0, 10},
        {0, 0, 0, 0},
        {7, 0, 10.5, 0},
        {5, 2, 5.5, 150},
        {1, 24, 0, 3},
        {1, -5, 6.5, 0},
        {3, 120, 0, 2}, // 1.5 rounds away from zero
        {std::numeric_limits<qint64>::max(), 1e-300, 1.3835058055282164e+19, 0},
    };
    for (const Row& row : rows) {
        store.setTotals(totals(row.words, row.seconds));
        EXPECT_DOUBLE_EQ(store.timeSavedSeconds(), row.saved) << row.words << " / " << row.seconds;
        EXPECT_EQ(store.speakingWPM(), row.wpm) << row.words << " / " << row.seconds;
    }
}

TEST(StatsStoreTest, CountsWordsOfTheFinalText) {
    TempFolder folder;
    StatsStore store(folder.path());
    store.count(QStringLiteral(" \n\t\u00a0\u2028 "), 48000);
    EXPECT_EQ(store.totals(), StatsStore::Totals{});
    EXPECT_FALSE(QFile::exists(store.url()));

    store.count(QStringLiteral("Hello,  wide\nworld 😀"), 48000);
    EXPECT_EQ(store.totals(), (StatsStore::Totals{4, 1, 3.0}));
    store.count(QStringLiteral("again"), 8000);
    EXPECT_EQ(store.totals(), (StatsStore::Totals{5, 2, 3.5}));
    EXPECT_EQ(folder.read("stats.json"), QByteArray(R"({"words":5,"dictations":2,"speakingSeconds":3.5})"));

    StatsStore reread(folder.path());
    EXPECT_EQ(reread.totals(), (StatsStore::Totals{5, 2, 3.5}));

    // At the edge of the range the total saturates.
    store.setTotals({std::numeric_limits<qint64>::max() - 1, 0, 0});
    store.count(QStringLiteral("three more words"), 0);
    EXPECT_EQ(store.totals().words, std::numeric_limits<qint64>::max());
}

TEST(StatsStoreTest, ReadsLenientlyAndKeepsADamagedFile) {
    TempFolder folder;
    folder.write("stats.json", R"({"speakingSeconds":2,"extra":[1],"dictations":1,"words":9})");
    EXPECT_EQ(StatsStore(folder.path()).totals(), (StatsStore::Totals{9, 1, 2.0}));

    for (const QByteArray& damaged :
         {QByteArray(R"({"words":9,"dictations":1})"),
          QByteArray(R"({"words":9.5,"dictations":1,"speakingSeconds":2})"),
          QByteArray(R"({"words":"9","dictations":1,"speakingSeconds":2})"), QByteArray("[]"), QByteArray("{")}) {
        SCOPED_TRACE(damaged.constData());
        TempFolder own;
        own.write("stats.json", damaged);
        StatsStore store(own.path());
        EXPECT_EQ(store.totals(), StatsStore::Totals{});
        EXPECT_EQ(own.read("stats.json"), damaged); // loading never writes
        store.count(QStringLiteral("one word"), 16000);
        const QStringList aside = QDir(own.path()).entryList({QStringLiteral("stats.json.unreadable-*")});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(own.read(aside.first()), damaged);
        EXPECT_EQ(own.read("stats.json"), QByteArray(R"({"words":2,"dictations":1,"speakingSeconds":1})"));
    }
}

} // namespace
