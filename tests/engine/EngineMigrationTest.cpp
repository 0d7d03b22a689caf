#include "engine/EngineMigration.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class EngineMigrationTest : public testing::Test {
protected:
    TempFolder support;
    QString former() const { return support.file(QStringLiteral("Brindlewick")); }
    QString current() const { return support.file(QStringLiteral("Quorvane")); }
    QString formerItem(const QString& item) const { return former() + '/' + item; }
    QString currentItem(const QString& item) const { return current() + '/' + item; }

    static int modeOf(const QString& path) {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return int(info.st_mode & 07777);
    }
};

TEST_F(EngineMigrationTest, NothingHappensWithoutTheFormerFolder) {
    EngineMigration::run(support.path());
    EXPECT_FALSE(QFileInfo::exists(current()));
}

TEST_F(EngineMigrationTest, MovesOnlyWhatExistsAndRewritesNothingForModels) {
    support.write(QStringLiteral("Brindlewick/models/parakeet/weights.bin"), "Brindlewick weights");
    EngineMigration::run(support.path());
    EXPECT_FALSE(QFileInfo::exists(formerItem("models")));
    EXPECT_EQ(support.read("Quorvane/models/parakeet/weights.bin"), QByteArray("Brindlewick weights"));
    EXPECT_FALSE(QFileInfo::exists(currentItem("mlx-venv")));
}

TEST_F(EngineMigrationTest, AnEnvironmentAlreadyInPlaceIsKept) {
    support.write(QStringLiteral("Brindlewick/mlx-venv/bin/activate"), "old");
    support.write(QStringLiteral("Quorvane/mlx-venv/bin/activate"), "new");
    EngineMigration::run(support.path());
    EXPECT_EQ(support.read("Brindlewick/mlx-venv/bin/activate"), QByteArray("old"));
    EXPECT_EQ(support.read("Quorvane/mlx-venv/bin/activate"), QByteArray("new"));
}

TEST_F(EngineMigrationTest, MovedEnvironmentScriptsNameTheNewFolderAndKeepOnlyTheirOwnersRights) {
    const QByteArray script =
        "#!" + formerItem("mlx-venv").toUtf8() + "/bin/python\nVIRTUAL_ENV=" + formerItem("mlx-venv").toUtf8() + "\n";
    const QString launcher = support.write(QStringLiteral("Brindlewick/mlx-venv/bin/pip"), script);
    ::chmod(QFile::encodeName(launcher).constData(), 0751);
    support.write(QStringLiteral("Brindlewick/mlx-venv/bin/binary"),
                  QByteArray("\xff\xfe") + formerItem("mlx-venv").toUtf8());
    support.write(QStringLiteral("Brindlewick/mlx-venv/bin/empty"), "");
    support.write(QStringLiteral("Brindlewick/mlx-venv/bin/large"),
                  formerItem("mlx-venv").toUtf8() + QByteArray(200'000, 'x'));
    support.write(QStringLiteral("Brindlewick/llm-venv/bin/activate"), formerItem("llm-venv").toUtf8());

    EngineMigration::run(support.path());

    const QByteArray rewritten = support.read("Quorvane/mlx-venv/bin/pip");
    EXPECT_EQ(rewritten, QByteArray(script).replace(formerItem("mlx-venv").toUtf8(), currentItem("mlx-venv").toUtf8()));
    // Still the owner's to run; nobody else's to read.
    EXPECT_EQ(modeOf(currentItem("mlx-venv/bin/pip")), 0700);
    EXPECT_TRUE(support.read("Quorvane/mlx-venv/bin/binary").contains(formerItem("mlx-venv").toUtf8()));
    EXPECT_TRUE(support.read("Quorvane/mlx-venv/bin/large").startsWith(formerItem("mlx-venv").toUtf8()));
    EXPECT_EQ(support.read("Quorvane/llm-venv/bin/activate"), currentItem("llm-venv").toUtf8());
}

TEST_F(EngineMigrationTest, AFailedMoveLeavesALinkToTheFormerPlace) {
    // A current folder on another file system makes the move fail (a rename
    // cannot cross devices), whatever the privileges of the test.
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/quorvane-test-XXXXXX"));
    struct stat here {
    }, there{};
    if (!elsewhere.isValid() || ::stat(QFile::encodeName(support.path()).constData(), &here) != 0
        || ::stat(QFile::encodeName(elsewhere.path()).constData(), &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system to move across";
    ASSERT_TRUE(QFile::link(elsewhere.path(), current()));
    support.write(QStringLiteral("Brindlewick/models/a.bin"), "data");

    EngineMigration::run(support.path());

    EXPECT_TRUE(QFileInfo(currentItem("models")).isSymLink());
    EXPECT_EQ(QFileInfo(currentItem("models")).symLinkTarget(), formerItem("models"));
    EXPECT_EQ(support.read("Quorvane/models/a.bin"), QByteArray("data"));
}

} // namespace
