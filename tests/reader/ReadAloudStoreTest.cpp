#include "reader/ReadAloudStore.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

const QDateTime t0(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc());

ReadAloudEntry entry(const QString& word, const QString& sayAs) { return {QUuid::createUuid(), word, sayAs, t0}; }

class ReadAloudStoreTest : public testing::Test {
protected:
    std::unique_ptr<ReadAloudStore> open() {
        return std::make_unique<ReadAloudStore>(folder.path(), [this] { return clock; });
    }
    TempFolder folder;
    QDateTime clock = t0;
};

TEST_F(ReadAloudStoreTest, AddTrimsAndReplacesTheSameWordAtTheFront) {
    auto store = open();
    store->add(QStringLiteral(" \tGIF\n"), QStringLiteral(" jif "));
    store->add(QStringLiteral("SQL"), QStringLiteral("sequel"));
    const QUuid firstId = store->entries().last().id;
    clock = t0.addSecs(60);
    store->add(QStringLiteral("gif"), QStringLiteral("gift"));
    ASSERT_EQ(store->entries().size(), 2);
    const ReadAloudEntry front = store->entries().first();
    EXPECT_EQ(front.word, QStringLiteral("gif"));
    EXPECT_EQ(front.sayAs, QStringLiteral("gift"));
    EXPECT_NE(front.id, firstId);
    EXPECT_EQ(front.createdAt, clock);
    EXPECT_EQ(store->entries().last().word, QStringLiteral("SQL"));

    const QByteArray before = folder.read("read-aloud.json");
    store->add(QStringLiteral("word"), QStringLiteral("  \n"));
    store->add(QString(), QStringLiteral("x"));
    EXPECT_EQ(store->entries().size(), 2);
    EXPECT_EQ(folder.read("read-aloud.json"), before);
}

TEST_F(ReadAloudStoreTest, FileRoundTripAndDamagedFiles) {
    auto store = open();
    store->save();
    EXPECT_EQ(folder.read("read-aloud.json"), QByteArray("[]"));
    store->add(QStringLiteral("km/h"), QStringLiteral("kilometres per hour"));
    const QString id = store->entries().first().id.toString(QUuid::WithoutBraces).toUpper();
    EXPECT_EQ(folder.read("read-aloud.json"),
              QByteArray(R"([{"id":")") + id.toUtf8()
                  + R"(","word":"km\/h","sayAs":"kilometres per hour","createdAt":789015845}])");

    folder.write(
        "read-aloud.json",
        R"([{"sayAs":"a \/ b","createdAt":0,"word":"x/y","id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","extra":1}])");
    auto lenient = open();
    ASSERT_EQ(lenient->entries().size(), 1);
    EXPECT_EQ(lenient->entries().first().sayAs, QStringLiteral("a / b"));
    EXPECT_EQ(lenient->entries().first().createdAt, QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()));

    const QByteArray damaged = R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","word":"a","sayAs":"b","createdAt":0},)"
                               R"({"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456780","word":"c","sayAs":"d"}])";
    folder.write("read-aloud.json", damaged);
    auto empty = open();
    EXPECT_TRUE(empty->entries().isEmpty());
    EXPECT_EQ(folder.read("read-aloud.json"), damaged);
    empty->add(QStringLiteral("c"), QStringLiteral("see"));
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("read-aloud.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(folder.read(aside.first()), damaged);
    EXPECT_EQ(QJsonDocument::fromJson(folder.read("read-aloud.json")).array().size(), 1);
}

TEST_F(ReadAloudStoreTest, RemoveSavesEvenWhenNothingWentAway) {
    auto store = open();
    store->add(QStringLiteral("a"), QStringLiteral("ay"));
    store->add(QStringLiteral("b"), QStringLiteral("bee"));
    store->remove(store->entries().last());
    ASSERT_EQ(store->entries().size(), 1);
    EXPECT_EQ(store->entries().first().word, QStringLiteral("b"));
    QFile::remove(store->url());
    store->remove(entry(QStringLiteral("b"), QStringLiteral("bee")));
    EXPECT_EQ(QJsonDocument::fromJson(folder.read("read-aloud.json")).array().size(), 1);
}

TEST(ReadAloudApplyTest, WholeWordsLongestFirstLiterally) {
    const QList<ReadAloudEntry> list = {
        entry(QStringLiteral("cat"), QStringLiteral("kitty")),
        entry(QStringLiteral("New York"), QStringLiteral("the big apple")),
        entry(QStringLiteral("York"), QStringLiteral("Yorick")),
        entry(QStringLiteral("C++"), QStringLiteral("see plus plus")),
        entry(QStringLiteral("v1.2"), QStringLiteral("$1 \\1 version")),
        entry(QString(), QStringLiteral("nothing")),
    };
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"New York and York", "the big apple and Yorick"},
        {"catalog 2cat cat's (cat) CAT", "catalog 2cat kitty's (kitty) kitty"},
        {"cat", "kitty"},
        {"I like C++ and Cxx", "I like see plus plus and Cxx"},
        {"v1.2 not v1x2", "$1 \\1 version not v1x2"},
        {"chat café cat—dog", "chat café kitty—dog"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadAloudStore::apply(QString::fromUtf8(c.input), list), QString::fromUtf8(c.expected)) << c.input;
    EXPECT_EQ(ReadAloudStore::apply(QStringLiteral("cat"), {}), QStringLiteral("cat"));

    // Equal lengths keep the given order; a later entry sees an earlier one's result.
    const QList<ReadAloudEntry> chained = {entry(QStringLiteral("ab"), QStringLiteral("cd")),
                                           entry(QStringLiteral("cd"), QStringLiteral("ef"))};
    EXPECT_EQ(ReadAloudStore::apply(QStringLiteral("ab"), chained), QStringLiteral("ef"));
}

TEST(ReadAloudApplyTest, SpokenWordsMapBackToWrittenOnes) {
    const QList<ReadAloudEntry> list = {entry(QStringLiteral("SQL"), QStringLiteral("sequel")),
                                        entry(QStringLiteral("Sequel"), QStringLiteral("sequel"))};
    EXPECT_EQ(ReadAloudStore::writtenWord(QStringLiteral("Sequel,"), list), QStringLiteral("SQL"));
    EXPECT_EQ(ReadAloudStore::writtenWord(QStringLiteral("\"sequel\"."), list), QStringLiteral("SQL"));
    EXPECT_FALSE(ReadAloudStore::writtenWord(QStringLiteral("sequels"), list).has_value());
}

} // namespace
