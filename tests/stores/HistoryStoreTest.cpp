#include "stores/HistoryStore.h"
#include "stores/DictionaryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/FileModes.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());

HistoryEntry entry(const QString& text, const QDateTime& date = now) {
    return HistoryEntry{QUuid::createUuid(), date, QStringLiteral("Editor"), text, {}, {}, {}};
}

class HistoryStoreTest : public testing::Test {
protected:
    std::unique_ptr<HistoryStore> open() {
        return std::make_unique<HistoryStore>(folder.path(), defaults, [this] { return clock; });
    }
    QJsonArray stored() const { return QJsonDocument::fromJson(folder.read("history.json")).array(); }

    TempFolder folder;
    Defaults defaults{folder.file("defaults.json")};
    QDateTime clock = now;
};

TEST_F(HistoryStoreTest, WritesOnlyTheKeysThatAreSet) {
    auto store = open();
    HistoryEntry plain = entry(QStringLiteral("a/b"));
    HistoryEntry translated{QUuid::createUuid(),     now,
                            QStringLiteral("Mail"),  QStringLiteral("Hola"),
                            QStringLiteral("Hello"), QStringLiteral("en"),
                            QStringLiteral("es")};
    HistoryEntry undetected = translated;
    undetected.id = QUuid::createUuid();
    undetected.originalLanguage.reset();
    store->record(plain);
    store->record(translated);
    store->record(undetected);

    const QJsonArray array = stored();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[0].toObject().keys().size(), 6);
    EXPECT_FALSE(array[0].toObject().contains(QStringLiteral("originalLanguage")));
    EXPECT_EQ(array[1].toObject().keys().size(), 7);
    EXPECT_EQ(array[2].toObject().keys().size(), 4);
    const QByteArray raw = folder.read("history.json");
    EXPECT_TRUE(raw.endsWith(",\"app\":\"Editor\",\"text\":\"a\\/b\"}]")) << raw.constData();
    EXPECT_TRUE(raw.contains(plain.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()));

    // And back, in file order.
    HistoryStore reread(folder.path(), defaults);
    EXPECT_EQ(reread.entries(), (QList<HistoryEntry>{undetected, translated, plain}));
}

TEST_F(HistoryStoreTest, ReadsNullOptionalsUnknownKeysAndLowerCaseIds) {
    folder.write(
        "history.json",
        R"([{"text":"hi \/ there","app":"","date":0,"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","original":null,"mood":"good"}])");
    auto store = open();
    ASSERT_EQ(store->entries().size(), 1);
    const HistoryEntry loaded = store->entries().first();
    EXPECT_EQ(loaded.text, QStringLiteral("hi / there"));
    EXPECT_FALSE(loaded.original.has_value());
    EXPECT_EQ(loaded.date, QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()));

    store->save();
    EXPECT_EQ(folder.read("history.json"),
              QByteArray(R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","date":0,"app":"","text":"hi \/ there"}])"));
}

TEST_F(HistoryStoreTest, ADamagedFileLoadsEmptyAndIsKeptBesideTheNewOne) {
    const QByteArray damaged =
        R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","date":"yesterday","app":"","text":"mine"}])";
    folder.write("history.json", damaged);
    auto store = open();
    EXPECT_TRUE(store->entries().isEmpty());
    store->record(entry(QStringLiteral("new")));
    EXPECT_EQ(stored().size(), 1);
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("history.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(folder.read(aside.first()), damaged);
}

TEST_F(HistoryStoreTest, KeepsTheNewest500) {
    auto store = open();
    QList<HistoryEntry> full;
    for (int i = 0; i < 500; ++i)
        full.append(entry(QStringLiteral("old %1").arg(i)));
    store->setEntries(full);
    store->record(entry(QStringLiteral("newest")));
    ASSERT_EQ(store->entries().size(), 500);
    EXPECT_EQ(store->entries().first().text, QStringLiteral("newest"));
    EXPECT_EQ(store->entries().last().text, QStringLiteral("old 498"));
    EXPECT_EQ(stored().size(), 500);
}

TEST_F(HistoryStoreTest, PrunesStrictlyOlderThanTheKeepDays) {
    auto store = open();
    const QList<HistoryEntry> entries = {entry(QStringLiteral("today")),
                                         entry(QStringLiteral("exactly a day"), now.addSecs(-86400)),
                                         entry(QStringLiteral("a second more"), now.addSecs(-86401))};
    for (const QVariant& keep : {QVariant(), QVariant(0), QVariant(1.5), QVariant(QStringLiteral("1"))}) {
        keep.isValid() ? defaults.set(QStringLiteral("historyKeepDays"), keep)
                       : defaults.remove(QStringLiteral("historyKeepDays"));
        store->setEntries(entries);
        EXPECT_EQ(store->keepDays(), 0);
        EXPECT_FALSE(store->prune());
        EXPECT_EQ(store->entries().size(), 3);
    }

    defaults.set(QStringLiteral("historyKeepDays"), 1);
    EXPECT_TRUE(store->prune());
    ASSERT_EQ(store->entries().size(), 2);
    EXPECT_EQ(store->entries().last().text, QStringLiteral("exactly a day"));
    EXPECT_FALSE(store->prune());
    // Pruning does not write; the caller does.
    EXPECT_FALSE(QFile::exists(store->url()));

    defaults.set(QStringLiteral("historyKeepDays"), qint64(1) << 50);
    EXPECT_FALSE(store->prune());
}

TEST_F(HistoryStoreTest, LoadingPrunesAndWritesOnlyWhenSomethingWent) {
    defaults.set(QStringLiteral("historyKeepDays"), 7);
    auto store = open();
    store->setEntries({entry(QStringLiteral("recent"), now.addDays(-1))});
    store->save();
    const QByteArray before = folder.read("history.json");
    folder.write("history.json", before); // same bytes, new file
    {
        auto again = open();
        EXPECT_EQ(again->entries().size(), 1);
    }
    EXPECT_EQ(folder.read("history.json"), before);

    clock = now.addDays(10);
    auto later = open();
    EXPECT_TRUE(later->entries().isEmpty());
    EXPECT_EQ(folder.read("history.json"), QByteArray("[]"));
}

TEST_F(HistoryStoreTest, RemoveRewritesTheFileEvenForAnUnknownEntry) {
    auto store = open();
    const HistoryEntry kept = entry(QStringLiteral("kept"));
    const HistoryEntry gone = entry(QStringLiteral("gone"));
    store->setEntries({gone, kept});
    QSignalSpy changed(store.get(), &HistoryStore::entriesChanged);
    store->remove(gone);
    EXPECT_EQ(store->entries(), QList<HistoryEntry>{kept});
    EXPECT_EQ(changed.size(), 1);
    QFile::remove(store->url());
    store->remove(entry(QStringLiteral("never there")));
    EXPECT_EQ(stored().size(), 1);
}

} // namespace

namespace {

// A take the engine failed on outlives the program and counts as the newest
// thing dictated only until a later entry is recorded.
TEST_F(HistoryStoreTest, AKeptTakeOutlivesTheProgramAndIsNewestUntilALaterEntry) {
    const QByteArray wav("RIFF take bytes");
    {
        auto store = open();
        EXPECT_FALSE(store->keptTakeIsNewest());
        store->record(entry(QStringLiteral("before"), QDateTime::currentDateTimeUtc().addSecs(-60)));
        ASSERT_TRUE(store->keptTake().keep(wav));
    }
    auto store = open();
    EXPECT_EQ(store->keptTake().wav(), wav);
    EXPECT_TRUE(store->keptTakeIsNewest());

    store->record(entry(QStringLiteral("after"), QDateTime::currentDateTimeUtc().addSecs(60)));
    EXPECT_FALSE(store->keptTakeIsNewest());
    EXPECT_EQ(store->keptTake().wav(), wav) << "recording an entry never drops the take";

    store->keptTake().discard();
    EXPECT_FALSE(store->keptTake().wav());
    EXPECT_FALSE(store->keptTake().keptAt());
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("failed-take*")}, QDir::Files).isEmpty());
}

TEST(StoreFilesTest, HistoryKeptTakeDictionaryAndStatsAreTheUsersAloneInAFolderOfTheirOwn) {
    const ScopedUmask desktop;
    TempFolder home;
    const QString folder = home.file(QStringLiteral("Quorvane Native"));
    Defaults defaults(home.file(QStringLiteral("defaults.json")));
    HistoryStore history(folder, defaults);
    history.record(entry(QStringLiteral("the words the user said")));
    ASSERT_TRUE(history.keptTake().keep(QByteArray("RIFF a take")));
    DictionaryStore dictionary(folder);
    dictionary.add(QStringLiteral("Quorvane"), {QStringLiteral("corvane")});
    StatsStore stats(folder);
    stats.count(QStringLiteral("two words"), 32000);

    EXPECT_EQ(modeOf(folder), 0700);
    for (const char* name : {"history.json", "failed-take.wav", "dictionary.json", "stats.json"})
        EXPECT_EQ(modeOf(QDir(folder).filePath(QLatin1String(name))), 0600) << name;
    EXPECT_EQ(openToOthers(folder), "");
}

} // namespace
