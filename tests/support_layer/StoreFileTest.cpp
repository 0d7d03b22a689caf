#include "support/StoreFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// The folder's file names, sorted and joined, so a failure reads as names.
QString names(const TempFolder& folder) {
    QStringList all = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    all.sort();
    return all.join(QStringLiteral(", "));
}

TEST(StoreFileTest, LoadingSweepsOnlyWhatAnInterruptedWriteOfThisFileLeft) {
    TempFolder folder;
    folder.write("dictionary.json", "[]");
    // What a write killed before its rename leaves: the staged copy, or the
    // temporary file the staged copy was being written through.
    folder.write(".dictionary.json.quorvane-save", "[{\"word\":\"half");
    folder.write(".dictionary.json.quorvane-save.iuDHZW", "");
    // The user's own files and other programs' files are not ours to remove,
    // six-letter suffixes included.
    const QStringList others = {"dictionary.json.backup",       "dictionary.json.BACKUP",
                                "dictionary.json.iuDHZW",       "dictionary.json.unreadable-20260301T120000Z",
                                "dictionary.json.bak",          ".dictionary.json.quorvane-save.abc12x",
                                ".history.json.quorvane-save",  ".dictionary.json.quorvane-saved",
                                "dictionary.json.quorvane-save"};
    for (const QString& name : others)
        folder.write(name, "keep");

    StoreFile file(folder.file("dictionary.json"));
    EXPECT_TRUE(file.readJson().has_value());
    QStringList expected = others;
    expected << "dictionary.json";
    expected.sort();
    EXPECT_EQ(names(folder), expected.join(QStringLiteral(", ")));
    EXPECT_EQ(folder.read("dictionary.json.backup"), QByteArray("keep"));
}

TEST(StoreFileTest, AWriteReplacesTheFileWholeKeepsItsPermissionsAndLeavesNothingBeside) {
    TempFolder folder;
    const QString path = folder.write("history.json", "[1]");
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path, ownerOnly));
    const QFile::Permissions before = QFileInfo(path).permissions();

    StoreFile file(path);
    ASSERT_TRUE(file.write("[1,2]"));
    EXPECT_EQ(folder.read("history.json"), QByteArray("[1,2]"));
    EXPECT_EQ(QFileInfo(path).permissions(), before);
    EXPECT_EQ(names(folder), QStringLiteral("history.json"));

    // A store kept as a link elsewhere stays a link; the file it names changes.
    const QString kept = folder.write("elsewhere/dictionary.json", "[]");
    ASSERT_TRUE(QFile::link(kept, folder.file("dictionary.json")));
    StoreFile linked(folder.file("dictionary.json"));
    ASSERT_TRUE(linked.write("[3]"));
    EXPECT_TRUE(QFileInfo(folder.file("dictionary.json")).isSymLink());
    EXPECT_EQ(folder.read("elsewhere/dictionary.json"), QByteArray("[3]"));
    EXPECT_EQ(names(folder), QStringLiteral("dictionary.json, history.json"));

    // A first write makes the file and its folder.
    StoreFile fresh(folder.file("new/stats.json"));
    ASSERT_TRUE(fresh.write("{}"));
    EXPECT_EQ(folder.read("new/stats.json"), QByteArray("{}"));
}

} // namespace
