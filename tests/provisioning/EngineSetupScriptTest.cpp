#include "engine/EngineSetupScript.h"
#include "engine/EnginePackage.h"
#include "support/Await.h"
#include "support/Bundle.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>

namespace {

QString executableIn(const TempFolder& folder, const QString& name) {
    const QString path = folder.write(name, "#!/bin/sh\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(EngineSetupScriptTest, LocatesUvInFolderOrderThenDebiansPython) {
    TempFolder tools;
    const QString local = tools.mkdir(QStringLiteral("local"));
    const QString bundled = tools.mkdir(QStringLiteral("bundled"));
    const QString python = executableIn(tools, QStringLiteral("python3"));
    tools.write(QStringLiteral("local/uv"), "not executable");
    EXPECT_EQ(EngineSetupScript::locateUv({bundled, local}, python), python);
    const QString localUv = executableIn(tools, QStringLiteral("local/uv"));
    EXPECT_EQ(EngineSetupScript::locateUv({bundled, local}, python), localUv);
    const QString bundledUv = executableIn(tools, QStringLiteral("bundled/uv"));
    EXPECT_EQ(EngineSetupScript::locateUv({bundled, local}, python), bundledUv);
    EXPECT_EQ(EngineSetupScript::locateUv({tools.file(QStringLiteral("none"))}, tools.file(QStringLiteral("nopython"))),
              std::nullopt);
}

TEST(EngineSetupScriptTest, FriendlyStagesFollowTheTableOrder) {
    // When several stages match, the table order decides.
    EXPECT_EQ(EngineSetupScript::friendlyStage(QStringLiteral("Resolved 3\nSuccessfully installed x")),
              QStringLiteral("Quorvaneing\u2026 almost ready"));
    EXPECT_EQ(EngineSetupScript::friendlyStage(QStringLiteral("Using CPython 3.11")),
              QStringLiteral("Quorvaneing\u2026 making room"));
    EXPECT_EQ(EngineSetupScript::friendlyStage(QStringLiteral("nothing to see")), std::nullopt);
}

TEST(EngineSetupScriptTest, SearchPathEndsWithTheFallbackWhenPathIsUnset) {
    const QStringList unset = EngineSetupScript::searchPath(std::nullopt);
    EXPECT_EQ(unset.last(), QStringLiteral("/usr/bin:/bin:/usr/sbin:/sbin"));
    EXPECT_EQ(unset.mid(0, unset.size() - 1), EngineSetupScript::toolPaths());
    EXPECT_EQ(EngineSetupScript::searchPath(QStringLiteral("/x")).last(), QStringLiteral("/x"));
}

TEST(EngineSetupScriptTest, StagedScriptIsPrivateFreshAndDeciphered) {
    TempFolder source;
    const QByteArray script = "#!/bin/sh\necho hello\n";
    const QString resource = source.write(QStringLiteral("engine.dat"), EngineSetupScript::decipher(script));
    const auto first = EngineSetupScript::stagedSetupScript(resource);
    const auto second = EngineSetupScript::stagedSetupScript(resource);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    struct stat file {};
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(*first).constData(), &file), 0);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(*first).absolutePath()).constData(), &folder), 0);
    EXPECT_EQ(file.st_mode & 07777, 0700u);
    EXPECT_EQ(folder.st_mode & 07777, 0700u);
    QFile staged(*first);
    ASSERT_TRUE(staged.open(QIODevice::ReadOnly));
    EXPECT_EQ(staged.readAll(), script);
    for (const QString& path : {*first, *second}) {
        EngineSetupScript::discard(path);
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(path).absolutePath()));
    }
    EXPECT_EQ(EngineSetupScript::stagedSetupScript(source.file(QStringLiteral("missing.dat"))), std::nullopt);
}

TEST(EngineSetupScriptTest, AScriptStillRunningAtItsDeadlineIsEndedWithWhatItStartedAndFails) {
    TempFolder home;
    TempFolder folder;
    ScopedEnvironment env("XDG_DATA_HOME", home.path().toUtf8());
    const QString pidFile = folder.file(QStringLiteral("pid"));
    const QString childFile = folder.file(QStringLiteral("child"));
    const bool ok =
        awaitResult(EngineSetupScript::runProcess(
                        QLatin1String(EngineSetupScript::kShell),
                        {QStringLiteral("-c"),
                         QStringLiteral("echo creating venv; echo $$ > '%1'; sleep 600 & echo $! > '%2'; wait")
                             .arg(pidFile, childFile)},
                        [](const QString&) {}, std::chrono::seconds(1)),
                    20000);
    EXPECT_FALSE(ok);
    const pid_t pid = folder.read(QStringLiteral("pid")).trimmed().toInt();
    const pid_t child = folder.read(QStringLiteral("child")).trimmed().toInt();
    ASSERT_GT(pid, 0);
    ASSERT_GT(child, 0);
    EXPECT_NE(::kill(pid, 0), 0) << "the script was ended";
    // Its child, no longer waited for by anyone, may linger a moment as a zombie.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !QFile::exists(QStringLiteral("/proc/%1/status").arg(child))
                   || fileBytes(QStringLiteral("/proc/%1/status").arg(child)).contains("State:\tZ");
        },
        5000))
        << "what the script started outlived it";
    if (::kill(child, 0) == 0)
        ::kill(child, SIGKILL);
    QFile log(EnginePackage::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().endsWith("creating venv\n\n[quorvane] the set-up script did not finish within 1 s and "
                                       "was ended\n"));
}

// The build's own set-up script, run as the engine set-up runs it.
TEST(EngineSetupScriptTest, BuildScriptMakesAnEnvironmentThatImportsTheServer) {
    TempFolder home;
    TempFolder engine;
    ScopedEnvironment env("XDG_DATA_HOME", home.path().toUtf8());
    const auto script = EngineSetupScript::stagedSetupScript();
    ASSERT_TRUE(script.has_value());
    QStringList details;
    const QString venv = engine.file(QStringLiteral("mlx-venv"));
    const bool ok = awaitResult(EngineSetupScript::runProcess(QLatin1String(EngineSetupScript::kShell), {*script, venv},
                                                              [&details](const QString& d) { details.append(d); }),
                                120000);
    EngineSetupScript::discard(*script);
    QFile log(EnginePackage::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray output = log.readAll();
    ASSERT_TRUE(ok) << output.toStdString();
    EXPECT_TRUE(output.contains("successfully installed"));
    EXPECT_EQ(details.last(), QStringLiteral("Quorvaneing\u2026 almost ready"));
    EXPECT_EQ(QProcess::execute(venv + QStringLiteral("/bin/python"),
                                {QStringLiteral("-c"), QStringLiteral("import mlx_audio.server")}),
              0);
}

} // namespace
