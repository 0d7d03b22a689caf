#include "stores/DictionaryStore.h"
#include "support/JsonWriter.h"
#include "support/RecordingWordBoost.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const QDateTime fixedNow(QDate(2025, 11, 28), QTime(5, 20, 0, 500), QTimeZone::utc());

class DictionaryStoreTest : public testing::Test {
protected:
    void TearDown() override { DictionaryStore::setSnapshot({}); }

    std::unique_ptr<DictionaryStore> open() {
        return std::make_unique<DictionaryStore>(folder.path(), &boost, [] { return fixedNow; });
    }
    QJsonArray storedArray() const { return QJsonDocument::fromJson(folder.read("dictionary.json")).array(); }
    QStringList asideFiles() const {
        return QDir(folder.path()).entryList({QStringLiteral("dictionary.json.unreadable-*")}, QDir::Files);
    }

    TempFolder folder;
    RecordingWordBoost boost;
};

TEST_F(DictionaryStoreTest, AddCleansVariantsAndMergesIntoTheSameWord) {
    auto store = open();
    store->add(QStringLiteral("  Jaxon \n"),
               {QStringLiteral("jackson"), QStringLiteral(" Jackson "), QStringLiteral("jaxon"), QString()});
    ASSERT_EQ(store->entries().size(), 1);
    const DictionaryEntry first = store->entries().first();
    EXPECT_EQ(first.canonical, QStringLiteral("Jaxon"));
    EXPECT_EQ(first.variants, QStringList{QStringLiteral("jackson")});
    EXPECT_EQ(first.createdAt, fixedNow);

    store->add(QStringLiteral("jaxon"), {QStringLiteral("Jaxen"), QStringLiteral("JACKSON")});
    ASSERT_EQ(store->entries().size(), 1);
    const DictionaryEntry merged = store->entries().first();
    EXPECT_EQ(merged.canonical, QStringLiteral("Jaxon"));
    EXPECT_EQ(merged.variants, (QStringList{QStringLiteral("jackson"), QStringLiteral("Jaxen")}));
    EXPECT_EQ(merged.id, first.id);
    EXPECT_EQ(merged.createdAt, first.createdAt);

    store->add(QStringLiteral("Paris"), {});
    EXPECT_EQ(store->canonicals(), (QStringList{QStringLiteral("Jaxon"), QStringLiteral("Paris")}));
    EXPECT_TRUE(store->contains(QStringLiteral("PARIS")));
    EXPECT_FALSE(store->contains(QStringLiteral(" Paris")));
}

TEST_F(DictionaryStoreTest, WritesTheStoredFormatAndTellsTheWordBoostAfterTheSnapshot) {
    auto store = open();
    ASSERT_EQ(boost.pushes.size(), 1); // the load's refresh
    store->add(QStringLiteral("AC/DC"), {QStringLiteral("acdc")});

    const QByteArray expected =
        "[{\"id\":\"" + store->entries().first().id.toString(QUuid::WithoutBraces).toUpper().toUtf8()
        + "\",\"canonical\":\"AC\\/DC\",\"variants\":[\"acdc\"],\"createdAt\":" + JsonWriter::formatNumber(786000000.5)
        + "}]";
    EXPECT_EQ(folder.read("dictionary.json"), expected);
    ASSERT_EQ(boost.pushes.size(), 2);
    EXPECT_FALSE(boost.pushes.last().force);
    EXPECT_EQ(boost.pushes.last().wordsSeen, QStringList{QStringLiteral("AC/DC")});

    store->remove(store->entries().first());
    EXPECT_EQ(folder.read("dictionary.json"), QByteArray("[]"));
    EXPECT_EQ(boost.pushes.size(), 3);
    EXPECT_TRUE(boost.pushes.last().wordsSeen.isEmpty());
}

TEST_F(DictionaryStoreTest, BlankCanonicalWritesNothingAndRemovingAnUnknownEntryStillRewritesTheFile) {
    auto store = open();
    store->add(QStringLiteral(" \t\n "), {QStringLiteral("x")});
    EXPECT_TRUE(store->entries().isEmpty());
    EXPECT_FALSE(QFile::exists(store->url()));
    EXPECT_EQ(boost.pushes.size(), 1);

    store->add(QStringLiteral("Jaxon"), {});
    QFile::remove(store->url());
    store->remove(DictionaryEntry{QUuid::createUuid(), QStringLiteral("Jaxon"), {}, fixedNow});
    EXPECT_EQ(store->entries().size(), 1);
    EXPECT_EQ(storedArray().size(), 1);
}

TEST_F(DictionaryStoreTest, ReadsLenientlyAndWritesBackInTheStoredForm) {
    folder.write(
        "dictionary.json",
        R"([{"createdAt":0,"variants":["node js"],"canonical":"node.js\/x","id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","colour":"red"},)"
        R"({"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456780","canonical":"C/D","variants":[],"createdAt":786000000.5}])");
    auto store = open();
    ASSERT_EQ(store->entries().size(), 2);
    const DictionaryEntry first = store->entries().first();
    EXPECT_EQ(first.id, QUuid(QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF0123456789")));
    EXPECT_EQ(first.canonical, QStringLiteral("node.js/x"));
    EXPECT_EQ(first.createdAt, QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()));
    EXPECT_EQ(store->entries()[1].canonical, QStringLiteral("C/D"));
    // Loading never writes.
    EXPECT_TRUE(folder.read("dictionary.json").contains("colour"));

    store->add(QStringLiteral("C/D"), {QStringLiteral("see dee")});
    const QByteArray written = folder.read("dictionary.json");
    EXPECT_TRUE(written.startsWith(
        R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","canonical":"node.js\/x","variants":["node js"],"createdAt":0},)"))
        << written.constData();
    EXPECT_FALSE(written.contains("colour"));
    EXPECT_TRUE(asideFiles().isEmpty());
}

TEST_F(DictionaryStoreTest, DamagedFileLoadsEmptyAndIsKeptAsideByTheFirstWrite) {
    const QByteArray damaged[] = {
        R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","canonical":"Jaxon","createdAt":1}])", // no variants
        R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","canonical":"Jaxon","variants":[3],"createdAt":1}])",
        R"([{"id":"not-a-uuid","canonical":"Jaxon","variants":[],"createdAt":1}])",
        R"({"canonical":"Jaxon"})",
        "[{\"id\":",
    };
    for (const QByteArray& contents : damaged) {
        SCOPED_TRACE(contents.constData());
        TempFolder own;
        own.write("dictionary.json", contents);
        DictionaryStore store(own.path(), &boost);
        EXPECT_TRUE(store.entries().isEmpty());
        EXPECT_EQ(own.read("dictionary.json"), contents);

        store.add(QStringLiteral("Paris"), {});
        const QStringList aside =
            QDir(own.path()).entryList({QStringLiteral("dictionary.json.unreadable-*")}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(own.read(aside.first()), contents);
        EXPECT_EQ(QJsonDocument::fromJson(own.read("dictionary.json")).array().size(), 1);

        // Only the first write moves a file aside.
        store.add(QStringLiteral("Rome"), {});
        EXPECT_EQ(QDir(own.path()).entryList({QStringLiteral("dictionary.json.unreadable-*")}, QDir::Files).size(), 1);
    }
}

TEST_F(DictionaryStoreTest, AFailedWriteKeepsTheListInMemory) {
    folder.write("blocker", "a file where the folder should be");
    DictionaryStore store(folder.file("blocker/sub"), &boost);
    store.add(QStringLiteral("Jaxon"), {QStringLiteral("jackson")});
    EXPECT_EQ(store.entries().size(), 1);
    EXPECT_EQ(DictionaryStore::correct(QStringLiteral("jackson")), QStringLiteral("Jaxon"));
}

TEST_F(DictionaryStoreTest, CorrectsWholeWordsAndCarriesOnlyTheInitialCapital) {
    auto store = open();
    store->add(QStringLiteral("Jaxon"), {QStringLiteral("jackson")});
    store->add(QStringLiteral("iPhone"), {});
    store->add(QStringLiteral("NASA"), {});
    store->add(QStringLiteral("C++"), {QStringLiteral("c plus plus")});
    store->add(QStringLiteral("node.js"), {QStringLiteral("node js")});
    store->add(QStringLiteral("Kubernetes"), {QStringLiteral("cooper netties"), QStringLiteral("cube and eighties")});

    const QList<QPair<QString, QString>> cases = {
        {"jackson said hi. Jackson left", "Jaxon said hi. Jaxon left"},
        {"jacksonville", "jacksonville"},
        {"ask JAXON", "ask Jaxon"},
        {"Iphone is here", "IPhone is here"},
        {"nasa and Nasa", "NASA and NASA"},
        // Escaped terms: "c++" is not "c" repeated, "." is not any character.
        {"I write C plus plus, not cc or ccc", "I write C++, not cc or ccc"},
        {"nodexjs and node js and NODE.JS", "nodexjs and node.js and Node.js"},
        // After a trailing "+" the boundary needs a word character.
        {"c++x but c++ alone", "C++x but c++ alone"},
        {"Cooper netties runs cube and eighties", "Kubernetes runs Kubernetes"},
        {"", ""},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(DictionaryStore::correct(input), expected) << input.toStdString();
}

TEST_F(DictionaryStoreTest, CorrectionMatchesWithoutRegardToCaseBeyondAscii) {
    auto store = open();
    store->add(QStringLiteral("Straße"), {});
    store->add(QStringLiteral("Éclair"), {QStringLiteral("eclair")});
    EXPECT_EQ(DictionaryStore::correct(QStringLiteral("die STRASSE und die straße")),
              QStringLiteral("die Straße und die Straße"));
    EXPECT_EQ(DictionaryStore::correct(QStringLiteral("un éclair, an eclair")), QStringLiteral("un Éclair, an Éclair"));
}

TEST_F(DictionaryStoreTest, EmptyTermsFromAHandEditedFileAreIgnored) {
    folder.write(
        "dictionary.json",
        R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","canonical":"Jaxon","variants":["","jackson"],"createdAt":1}])");
    auto store = open();
    EXPECT_EQ(DictionaryStore::correct(QStringLiteral("hello jackson")), QStringLiteral("hello Jaxon"));
}

TEST_F(DictionaryStoreTest, CapitalizedNames) {
    auto store = open();
    EXPECT_FALSE(DictionaryStore::isCapitalizedName(QStringLiteral("jaxon")));
    store->add(QStringLiteral("Jaxon"), {});
    store->add(QStringLiteral("jq"), {});
    store->add(QStringLiteral("3M"), {});
    EXPECT_TRUE(DictionaryStore::isCapitalizedName(QStringLiteral("jaxon")));
    EXPECT_FALSE(DictionaryStore::isCapitalizedName(QStringLiteral("JQ")));
    EXPECT_FALSE(DictionaryStore::isCapitalizedName(QStringLiteral("3m")));
    EXPECT_FALSE(DictionaryStore::isCapitalizedName(QString()));
    EXPECT_FALSE(DictionaryStore::isCapitalizedName(QStringLiteral("Rome")));
}

TEST_F(DictionaryStoreTest, ReadersOnOtherThreadsSeeWholeListsWhileTheMainThreadEdits) {
    auto store = open();
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    QList<QFuture<void>> readers;
    for (int r = 0; r < 6; ++r) {
        readers.append(QtConcurrent::run([&] {
            while (!stop) {
                const QStringList words = DictionaryStore::canonicals();
                // Words are added in order Word0, Word1, …: any prefix is a whole list.
                for (int i = 0; i < words.size(); ++i) {
                    if (words[i] != QStringLiteral("Word%1").arg(i))
                        ++torn;
                }
                const QString corrected = DictionaryStore::correct(QStringLiteral("word0 and word1 say hi"));
                if (!corrected.startsWith(QStringLiteral("word0")) && !corrected.startsWith(QStringLiteral("Word0")))
                    ++torn;
            }
        }));
    }
    for (int i = 0; i < 100; ++i)
        store->add(QStringLiteral("Word%1").arg(i), {QStringLiteral("wurd%1").arg(i)});
    stop = true;
    for (QFuture<void>& reader : readers)
        reader.waitForFinished();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(DictionaryStore::canonicals().size(), 100);
}

} // namespace
