#include "install/ReleaseArchive.h"

#include "ArchiveMaker.h"
#include "support/TempFolder.h"

#include <QDirIterator>

#include <gtest/gtest.h>

namespace {

QStringList filesUnder(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(folder.size() + 1);
    found.sort();
    return found;
}

TEST(ReleaseArchiveTest, UnpacksFilesKeepingOnlyTheExecutableBit) {
    TempFolder folder;
    for (const ArchiveFormat format : {ArchiveFormat::Zip, ArchiveFormat::TarGz}) {
        const QString archive = folder.file(format == ArchiveFormat::Zip ? "a.zip" : "a.tar.gz");
        ASSERT_TRUE(writeArchive(archive,
                                 {{"Q/bin/run", "#!/bin/sh\n", ArchiveEntry::Kind::File, 04755, {}},
                                  {"Q/share/data", "d", ArchiveEntry::Kind::File, 0666, {}},
                                  {"Q/empty/", {}, ArchiveEntry::Kind::Folder, 0700, {}}},
                                 format));
        const QString into = folder.mkdir(format == ArchiveFormat::Zip ? "zip" : "tar");
        EXPECT_EQ(ReleaseArchive::unpack(archive, into), std::nullopt);
        EXPECT_EQ(filesUnder(into), (QStringList{"Q", "Q/bin", "Q/bin/run", "Q/empty", "Q/share", "Q/share/data"}));
        const QFileInfo run(into + "/Q/bin/run");
        EXPECT_TRUE(run.isExecutable());
        EXPECT_EQ(int(run.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther)), 0);
        EXPECT_FALSE(QFileInfo(into + "/Q/share/data").isExecutable());
        EXPECT_EQ(int(QFileInfo(into + "/Q/share/data").permissions() & QFileDevice::WriteOther), 0);
    }
}

TEST(ReleaseArchiveTest, CapsEntriesAndBytesAndRefusesASecondWriteThroughOneName) {
    TempFolder folder;
    const QString archive = folder.file("a.tar.gz");
    QList<ArchiveEntry> many;
    for (int i = 0; i < 5; ++i)
        many.append({QStringLiteral("Q/f%1").arg(i), QByteArray(1000, 'x'), ArchiveEntry::Kind::File, 0644, {}});
    ASSERT_TRUE(writeArchive(archive, many, ArchiveFormat::TarGz));
    EXPECT_TRUE(ReleaseArchive::unpack(archive, folder.mkdir("few"), {4, 1 << 20}));
    EXPECT_TRUE(ReleaseArchive::unpack(archive, folder.mkdir("small"), {100, 4500}));
    EXPECT_FALSE(ReleaseArchive::unpack(archive, folder.mkdir("fits"), {5, 5000}));

    // A name that comes twice may not overwrite the first (a classic way to
    // swap in content after a check).
    ASSERT_TRUE(writeArchive(
        folder.file("twice.tar.gz"),
        {{"Q/a", "first", ArchiveEntry::Kind::File, 0644, {}}, {"Q/a", "second", ArchiveEntry::Kind::File, 0644, {}}},
        ArchiveFormat::TarGz));
    EXPECT_TRUE(ReleaseArchive::unpack(folder.file("twice.tar.gz"), folder.mkdir("twice")));

    for (const char* name : {"Q/./a", "Q//a", "/Q/a", "Q/../../a", ".."}) {
        ASSERT_TRUE(writeArchive(folder.file("bad.tar.gz"),
                                 {{QString::fromUtf8(name), "x", ArchiveEntry::Kind::File, 0644, {}}},
                                 ArchiveFormat::TarGz));
        const QString into = folder.mkdir(QStringLiteral("bad-%1").arg(qHash(QByteArray(name))));
        EXPECT_TRUE(ReleaseArchive::unpack(folder.file("bad.tar.gz"), into)) << name;
        EXPECT_TRUE(filesUnder(into).isEmpty()) << name;
    }
    EXPECT_TRUE(ReleaseArchive::unpack(folder.file("missing.zip"), folder.mkdir("none")));
}

} // namespace
