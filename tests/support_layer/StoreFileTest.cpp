#include "support/StoreFile.h"
#include "support/FileModes.h"
#include "support/ScopedEnvironment.h"
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

TEST(StoreFileTest, AWriteReplacesTheFileWholeKeepsItPrivateAndLeavesNothingBeside) {
    const ScopedUmask desktop;
    TempFolder folder;
    const QString path = folder.write("history.json", "[1]");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

    StoreFile file(path);
    ASSERT_TRUE(file.write("[1,2]"));
    EXPECT_EQ(folder.read("history.json"), QByteArray("[1,2]"));
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(names(folder), QStringLiteral("history.json"));

    // A file others could read is narrowed by its next write, its owner's
    // rights kept as they were.
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(file.write("[1,2,3]"));
    EXPECT_EQ(modeOf(path), 0600);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::WriteGroup));
    ASSERT_TRUE(file.write("[4]"));
    EXPECT_EQ(modeOf(path), 0400);
    EXPECT_EQ(folder.read("history.json"), QByteArray("[4]"));

    // A store kept as a link elsewhere stays a link; the file it names changes.
    const QString kept = folder.write("elsewhere/dictionary.json", "[]");
    ASSERT_TRUE(QFile::link(kept, folder.file("dictionary.json")));
    StoreFile linked(folder.file("dictionary.json"));
    ASSERT_TRUE(linked.write("[3]"));
    EXPECT_TRUE(QFileInfo(folder.file("dictionary.json")).isSymLink());
    EXPECT_EQ(folder.read("elsewhere/dictionary.json"), QByteArray("[3]"));
    EXPECT_EQ(names(folder), QStringLiteral("dictionary.json, history.json"));

    // A first write makes the file and its folders, all the user's alone.
    StoreFile fresh(folder.file("new/deeper/stats.json"));
    ASSERT_TRUE(fresh.write("{}"));
    EXPECT_EQ(folder.read("new/deeper/stats.json"), QByteArray("{}"));
    EXPECT_EQ(modeOf(folder.file("new/deeper/stats.json")), 0600);
    EXPECT_EQ(modeOf(folder.file("new/deeper")), 0700);
    EXPECT_EQ(modeOf(folder.file("new")), 0700);
}

TEST(StoreFileTest, AWriteNarrowsTheProgramsFoldersButNotTheUsersBaseFolders) {
    const ScopedUmask desktop;
    TempFolder home;
    const QString data = home.mkdir(".local/share");
    ASSERT_TRUE(QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                                | QFile::ExeOther));
    ScopedEnvironment environment("XDG_DATA_HOME", data.toUtf8());
    // Made by an earlier version with the default rights.
    const QString folder = home.mkdir(".local/share/Quorvane Native/diagnostics");
    for (const QString& each : {folder, QFileInfo(folder).absolutePath()})
        ASSERT_TRUE(QFile::setPermissions(each, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                    | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                    | QFile::ExeOther));

    ASSERT_TRUE(StoreFile(folder + QStringLiteral("/kept.json")).write("[]"));
    EXPECT_EQ(modeOf(folder + QStringLiteral("/kept.json")), 0600);
    EXPECT_EQ(modeOf(folder), 0700);
    EXPECT_EQ(modeOf(QFileInfo(folder).absolutePath()), 0700);
    EXPECT_EQ(modeOf(data), 0705) << "the user's own data folder is theirs to open";

    // Outside the program's folders, only what a write makes is narrowed.
    const QString elsewhere = home.mkdir("elsewhere");
    ASSERT_TRUE(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                     | QFile::ReadOther | QFile::ExeOther));
    ASSERT_TRUE(StoreFile(elsewhere + QStringLiteral("/made/notes.json")).write("[]"));
    EXPECT_EQ(modeOf(elsewhere), 0705);
    EXPECT_EQ(modeOf(elsewhere + QStringLiteral("/made")), 0700);
}

} // namespace
