#include "engine/EnginePackage.h"
#include "engine/ArchiveListing.h"
#include "engine/ModelTable.h"
#include "provisioning/FixtureArchive.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using Response = LoopbackHttpServer::Response;

QStringList tree(const QString& root) {
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(root).relativeFilePath(it.next()));
    found.sort();
    return found;
}

class EnginePackageTest : public testing::Test {
protected:
    EnginePackageTest() {
        env.set("XDG_DATA_HOME", home.path().toUtf8());
        EXPECT_TRUE(server.listen());
        server.setFallback([this](const LoopbackHttpServer::Request& request) {
            asked.append(QString::fromUtf8(request.path));
            return request.path == "/good/mlx-venv.tar.gz" ? Response::bytes(archive, "application/gzip")
                                                           : Response::bytes("no", "text/plain", 404);
        });
    }
    QUrl base(const QString& name) const { return server.url(name); }
    bool install(const QList<QUrl>& bases) {
        EnginePackage package(into, bases);
        QObject::connect(&package, &EnginePackage::progress, [this](double fraction, const QString& detail) {
            reports.append({fraction, detail});
        });
        return awaitResult(package.install(), 20000);
    }
    QString log() const {
        QFile file(EnginePackage::logFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TempFolder home;
    TempFolder engine;
    ScopedEnvironment env;
    LoopbackHttpServer server;
    QByteArray archive;
    QStringList asked;
    QList<QPair<double, QString>> reports;
    const QString into = engine.file(QStringLiteral("mlx-venv"));
};

TEST_F(EnginePackageTest, InstallsFromAResourceFolderWhosePathHoldsASpace) {
    const QString resources = engine.mkdir(QStringLiteral("My Projects/share"));
    engine.write(QStringLiteral("My Projects/share/engine-dist/mlx-venv.tar.gz"),
                 fixtureArchive(QStringLiteral("good")));
    env.set("QUORVANE_RESOURCES", QFile::encodeName(resources));
    env.unset(ModelTable::kBaseVariable);
    EXPECT_TRUE(install(ModelTable::bases())) << log().toStdString();
    EXPECT_TRUE(QFileInfo(into + QStringLiteral("/bin/python")).isExecutable());
    ASSERT_FALSE(reports.isEmpty());
    EXPECT_EQ(reports.first().second, QStringLiteral("Downloading the speech engine (one time, under 1 MB)"));
}

TEST_F(EnginePackageTest, InstallsFromTheFirstBaseThatServesTheArchive) {
    archive = fixtureArchive(QStringLiteral("good"));
    EXPECT_TRUE(
        install({QUrl(QStringLiteral("::bad")), base(QStringLiteral("missing")), base(QStringLiteral("good"))}));
    EXPECT_EQ(asked,
              QStringList({QStringLiteral("/missing/mlx-venv.tar.gz"), QStringLiteral("/good/mlx-venv.tar.gz")}));
    // Not from a folder of this computer: no size to give.
    const QString downloading = QStringLiteral("Downloading the speech engine (one time)");
    const QString unpacking = QStringLiteral("Unpacking the speech engine");
    EXPECT_EQ(reports, (QList<QPair<double, QString>>{{0.0, downloading},
                                                      {0.0, downloading},
                                                      {0.85, unpacking},
                                                      {0.9, unpacking},
                                                      {0.95, QStringLiteral("Finishing setup")}}));
    EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/pyvenv.cfg")),
              "home = /usr/bin\ncommand = /usr/bin/python3 -m venv " + into.toUtf8() + "\n");
    EXPECT_TRUE(QFileInfo(into + QStringLiteral("/bin/python")).isExecutable());
    EXPECT_EQ(QDir(engine.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("mlx-venv")}));
    EXPECT_TRUE(log().contains(QStringLiteral("[engine] downloaded %1 bytes\n").arg(archive.size())));
    EXPECT_TRUE(log().endsWith(QStringLiteral("[engine] engine installed and verified\n")));
}

TEST_F(EnginePackageTest, NoBaseServingLogsEveryBaseAndReportsNothing) {
    EXPECT_FALSE(install({}));
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(log().endsWith(QStringLiteral("[engine] download failed from every source; tried \n")));
    EXPECT_FALSE(install({base(QStringLiteral("a")), base(QStringLiteral("b"))}));
    EXPECT_TRUE(log().endsWith(QStringLiteral("tried %1, %2\n")
                                   .arg(base(QStringLiteral("a")).toString(), base(QStringLiteral("b")).toString())));
    EXPECT_FALSE(QFileInfo::exists(engine.file(QLatin1String(EnginePackage::kStagingName))));
}

TEST_F(EnginePackageTest, HostileArchivesAreRefusedBeforeAnythingIsUnpacked) {
    engine.write(QStringLiteral("mlx-venv/bin/python"), "former");
    // Staging sits beside the target, so the folder above the engine folder
    // is where an escape would land.
    const QString above = QFileInfo(engine.path()).absolutePath();
    const QStringList before = tree(engine.path());

    const QList<QPair<QString, QString>> kinds = {
        {QStringLiteral("absolute"), QStringLiteral("absolute name /tmp/qv-hostile-absolute")},
        {QStringLiteral("parent"), QStringLiteral("name climbs out: mlx-venv/../../qv-hostile-parent")},
        {QStringLiteral("symlink-escape"),
         QStringLiteral("link leaves the staging folder: mlx-venv/escape -> ../../..")},
        {QStringLiteral("symlink-absolute"), QStringLiteral("link leaves the staging folder: mlx-venv/escape -> /etc")},
        {QStringLiteral("hardlink"), QStringLiteral("hard link mlx-venv/passwd link to mlx-venv/pyvenv.cfg")},
        {QStringLiteral("device"), QStringLiteral("device or special file mlx-venv/null")},
        {QStringLiteral("fifo"), QStringLiteral("device or special file mlx-venv/pipe")},
    };
    for (const auto& [kind, reason] : kinds) {
        archive = fixtureArchive(kind);
        EXPECT_FALSE(install({base(QStringLiteral("good"))})) << kind.toStdString();
        EXPECT_TRUE(log().endsWith(QStringLiteral("[engine] archive refused: ") + reason + QLatin1Char('\n')))
            << kind.toStdString() << " " << log().toStdString();
        EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/bin/python")), "former");
        EXPECT_EQ(tree(engine.path()).join(' ').toStdString(), before.join(' ').toStdString()) << kind.toStdString();
        EXPECT_FALSE(QDir(above)
                         .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                         .contains(QStringLiteral("qv-hostile-parent")));
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/qv-hostile-absolute")));
}

TEST_F(EnginePackageTest, ArchiveWithoutTheEnvironmentFolderHasNoInterpreter) {
    engine.write(QStringLiteral("mlx-venv/bin/python"), "former");
    archive = fixtureArchive(QStringLiteral("wrong-top"));
    EXPECT_FALSE(install({base(QStringLiteral("good"))}));
    EXPECT_TRUE(
        log().endsWith(QStringLiteral("[engine] no runnable interpreter after unpacking; bin/python -> missing\n")));
    EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/bin/python")), "former");
}

TEST_F(EnginePackageTest, AnEngineThatFailsItsImportNeverTakesTheFormerOnesPlaceAndItsOutputIsLogged) {
    engine.write(QStringLiteral("mlx-venv/bin/python"), "the former engine");
    archive = fixtureArchive(QStringLiteral("broken-import"));
    EXPECT_FALSE(install({base(QStringLiteral("good"))}));
    EXPECT_TRUE(log().endsWith(QStringLiteral("[engine] the unpacked engine will not import mlx_audio.server:\n"
                                              "ModuleNotFoundError: No module named 'mlx_audio'\n\n")))
        << log().toStdString();
    EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/bin/python")), "the former engine");
    EXPECT_EQ(QDir(engine.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("mlx-venv")}));

    // A good one takes its place.
    archive = fixtureArchive(QStringLiteral("good"));
    EXPECT_TRUE(install({base(QStringLiteral("good"))}));
    EXPECT_NE(engine.read(QStringLiteral("mlx-venv/bin/python")), "the former engine");
}

TEST_F(EnginePackageTest, AnImportCheckThatNeverFinishesIsEndedAtItsDeadline) {
    engine.write(QStringLiteral("mlx-venv/bin/python"), "the former engine");
    env.set("QV_TEST_PID_FILE", QFile::encodeName(home.file(QStringLiteral("check-pid"))));
    archive = fixtureArchive(QStringLiteral("hanging-import"));
    EnginePackage package(into, {base(QStringLiteral("good"))});
    EnginePackage::Deadlines deadlines;
    deadlines.import = std::chrono::seconds(1);
    package.setDeadlines(deadlines);
    EXPECT_FALSE(awaitResult(package.install(), 20000));
    EXPECT_TRUE(log().endsWith(QStringLiteral("[engine] the unpacked engine will not import mlx_audio.server:\n"
                                              "python did not finish within 1 s\n")))
        << log().toStdString();
    EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/bin/python")), "the former engine");
    const pid_t check = home.read(QStringLiteral("check-pid")).trimmed().toInt();
    ASSERT_GT(check, 0);
    EXPECT_NE(::kill(check, 0), 0) << "the hanging check was ended";
}

TEST(EnginePackageSwapTest, FailedMoveKeepsTheFormerEnvironment) {
    TempFolder engine;
    engine.write(QStringLiteral("mlx-venv/bin/python"), "former");
    QString error;
    EXPECT_FALSE(
        EnginePackage::swapIn(engine.file(QStringLiteral("absent")), engine.file(QStringLiteral("mlx-venv")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/bin/python")), "former");

    engine.write(QStringLiteral("new/bin/python"), "new");
    EXPECT_TRUE(
        EnginePackage::swapIn(engine.file(QStringLiteral("new")), engine.file(QStringLiteral("mlx-venv")), &error));
    EXPECT_EQ(engine.read(QStringLiteral("mlx-venv/bin/python")), "new");
    EXPECT_EQ(QDir(engine.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("mlx-venv")}));
}

class RelocateTest : public testing::Test {
protected:
    QByteArray sized(qint64 size, const QByteArray& marker) const {
        return marker + QByteArray(size - marker.size(), '#');
    }
    QByteArray moved(QByteArray text) const {
        return text.replace(EnginePackage::kPlaceholder, path.toUtf8())
            .replace(EnginePackage::kBuildPath, path.toUtf8());
    }
    TempFolder env;
    const QString path = QStringLiteral("/home/u/.local/share/Quorvane/mlx-venv");
};

TEST_F(RelocateTest, RewritesSmallTextFilesInBinAndKeepsOnlyTheirOwnersRights) {
    const QByteArray placeholder = EnginePackage::kPlaceholder;
    const QByteArray limit = sized(EnginePackage::kMaxRelocatedBytes, placeholder);
    const QByteArray over = sized(EnginePackage::kMaxRelocatedBytes + 1, placeholder);
    const QByteArray build = QByteArray("#!") + EnginePackage::kBuildPath + "/bin/python\n";
    const QByteArray binary = placeholder + QByteArray("\xff\xfe\x00", 3);
    env.write(QStringLiteral("bin/limit"), limit);
    env.write(QStringLiteral("bin/over"), over);
    env.write(QStringLiteral("bin/empty"), {});
    const QString script = env.write(QStringLiteral("bin/activate"), build);
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup);
    env.write(QStringLiteral("bin/compiled"), binary);
    env.write(QStringLiteral("bin/.hidden"), placeholder);
    env.write(QStringLiteral("bin/sub/deeper"), placeholder);
    const QString plain = env.write(QStringLiteral("bin/plain"), "nothing to move");
    QFile::link(QStringLiteral("limit"), env.file(QStringLiteral("bin/link")));
    const QDateTime plainDate = QFileInfo(plain).lastModified();

    EnginePackage::relocate(env.path(), path);

    EXPECT_EQ(env.read(QStringLiteral("bin/limit")), moved(limit));
    EXPECT_EQ(env.read(QStringLiteral("bin/over")), over);
    EXPECT_EQ(env.read(QStringLiteral("bin/empty")), QByteArray());
    EXPECT_EQ(env.read(QStringLiteral("bin/activate")), moved(build));
    EXPECT_EQ(QFile::permissions(script), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                                              | QFile::WriteUser | QFile::ExeUser);
    EXPECT_EQ(env.read(QStringLiteral("bin/compiled")), binary);
    EXPECT_EQ(env.read(QStringLiteral("bin/.hidden")), placeholder);
    EXPECT_EQ(env.read(QStringLiteral("bin/sub/deeper")), placeholder);
    EXPECT_TRUE(QFileInfo(env.file(QStringLiteral("bin/link"))).isSymLink());
    EXPECT_EQ(QFileInfo(plain).lastModified(), plainDate);
}

TEST_F(RelocateTest, PyvenvCfgIsAlwaysRewrittenAndMayBeMissing) {
    env.write(QStringLiteral("bin/python3.11"), EnginePackage::kPlaceholder);
    EnginePackage::relocate(env.path(), path);
    EXPECT_FALSE(QFileInfo::exists(env.file(QStringLiteral("pyvenv.cfg"))));
    EXPECT_EQ(env.read(QStringLiteral("bin/python3.11")), path.toUtf8());

    env.write(QStringLiteral("pyvenv.cfg"),
              QByteArray("home = /usr/bin\nprefix = ") + EnginePackage::kBuildPath + "\n");
    EnginePackage::relocate(env.path(), path);
    EXPECT_EQ(env.read(QStringLiteral("pyvenv.cfg")), "home = /usr/bin\nprefix = " + path.toUtf8() + "\n");
}

TEST(ArchiveListingTest, JudgesSizesAndUnreadableLines) {
    const QByteArray line = "-rw-r--r-- 0/0 %1 2026-12-09 12:00 mlx-venv/lib/part%2\n";
    QByteArray listing;
    for (int i = 0; i < 4; ++i)
        listing += QString::fromLatin1(line).arg(qint64{1} << 30).arg(i).toLatin1();
    EXPECT_EQ(ArchiveListing::refusal(listing), std::nullopt);
    EXPECT_EQ(ArchiveListing::refusal(listing + QString::fromLatin1(line).arg(1).arg(9).toLatin1()),
              QStringLiteral("unpacked size over 4 GiB"));
    EXPECT_TRUE(ArchiveListing::refusal("garbage\n").has_value());
    EXPECT_TRUE(ArchiveListing::refusal("").has_value());
    EXPECT_EQ(ArchiveListing::refusal("lrwxrwxrwx 0/0 0 2026-12-09 12:00 mlx-venv/lib64 -> lib\n"
                                      "drwxr-xr-x 0/0 0 2026-12-09 12:00 mlx-venv/a b/\n"),
              std::nullopt);
}

} // namespace
