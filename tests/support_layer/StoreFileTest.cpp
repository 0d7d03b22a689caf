#include "support/StoreFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

QStringList names(const TempFolder& folder) {
    QStringList all = QDir(folder.path()).entryList(QDir::Files);
    all.sort();
    return all;
}

TEST(StoreFileTest, LoadingSweepsOnlyTheTemporaryFilesOfThisFilesInterruptedWrites) {
    TempFolder folder;
    folder.write("history.json", "[]");
    // What a write killed before its commit leaves, as QSaveFile names it.
    folder.write("history.json.iuDHZW", "[{\"text\":\"half");
    folder.write("history.json.QWERTY", "");
    // Not ours to remove.
    const QStringList others = {"history.json.unreadable-20260301T120000Z", "history.json.bak",
                                "history.json.abcdefg", "history.json.abc12x", "stats.json.AbCdEf",
                                "history.jsonXabcdef", "xhistory.json.AbCdEf"};
    for (const QString& name : others)
        folder.write(name, "keep");

    StoreFile file(folder.file("history.json"));
    EXPECT_TRUE(file.readJson().has_value());
    QStringList expected = others;
    expected << "history.json";
    expected.sort();
    EXPECT_EQ(names(folder), expected);
}

TEST(StoreFileTest, TheSweepMatchesTheNamesQtGivesTemporaryFiles) {
    TempFolder folder;
    const QString path = folder.file("dictionary.json");
    // QSaveFile names its temporary file with this template where it cannot
    // keep it unnamed; asking for the name gives the file one.
    for (int i = 0; i < 20; ++i) {
        QTemporaryFile leftover(path + QStringLiteral(".XXXXXX"));
        leftover.setAutoRemove(false);
        ASSERT_TRUE(leftover.open());
        ASSERT_TRUE(QFileInfo::exists(leftover.fileName()));
    }
    EXPECT_EQ(StoreFile::sweepLeftovers(path), 20);
    EXPECT_TRUE(names(folder).isEmpty());
}

} // namespace
