#include "engine/EngineBootstrap.h"
#include "engine/EnginePackage.h"
#include "engine/ModelTable.h"
#include "provisioning/FixtureArchive.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPromise>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using Response = LoopbackHttpServer::Response;
using Stage = EngineBootstrap::Stage;

const ModelFiles kFiles = {{QStringLiteral("config.json"), 12}, {QStringLiteral("en-us/mdef"), 400}};

// Writes an environment whose interpreter answers the import check with
// `status` and counts its runs in "checks" beside the environment.
void writeEnvironment(const QString& venv, int status) {
    QDir().mkpath(venv + QStringLiteral("/bin"));
    QFile config(venv + QStringLiteral("/pyvenv.cfg"));
    config.open(QIODevice::WriteOnly);
    config.write("home = /usr/bin\n");
    QFile python(venv + QStringLiteral("/bin/python"));
    python.open(QIODevice::WriteOnly);
    python.write(QStringLiteral("#!/bin/sh\necho run >> '%1/../checks'\nexit %2\n").arg(venv).arg(status).toUtf8());
    python.close();
    python.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class EngineBootstrapTest : public testing::Test {
protected:
    EngineBootstrapTest() {
        env.set("XDG_DATA_HOME", home.path().toUtf8());
        EXPECT_TRUE(server.listen());
        server.setFallback([this](const LoopbackHttpServer::Request& request) {
            const QString path = QString::fromUtf8(request.path);
            if (path == QStringLiteral("/mlx-venv.tar.gz") && !archive.isEmpty())
                return Response::bytes(archive, "application/gzip");
            for (const ModelFile& file : kFiles) {
                if (path == QStringLiteral("/%1/%2").arg(QLatin1String(ModelTable::kModelName), file.name))
                    return Response::bytes(QByteArray(file.size, 'm'), "application/octet-stream");
            }
            return Response::bytes("no", "text/plain", 404);
        });
    }

    EngineBootstrap::Setup setup() {
        EngineBootstrap::Setup s;
        s.engineRoot = [this] { return root.path(); };
        s.bases = [this] { return QList<QUrl>{server.url()}; };
        s.files = kFiles;
        s.locateUv = [this] { return uv; };
        s.stageScript = [this]() -> std::optional<QString> {
            return scripts.write(QStringLiteral("qv-setup.sh"), "#!/bin/sh\n");
        };
        s.runProcess = [this](const QString& program, const QStringList& arguments,
                              std::function<void(QString)> onDetail) {
            scriptRuns.append(arguments);
            EXPECT_EQ(program, QStringLiteral("/bin/sh"));
            if (scriptBuilds)
                writeEnvironment(arguments.at(1), 0);
            onDetail(QStringLiteral("Quorvaneing\u2026 making room"));
            return QtFuture::makeReadyFuture(scriptBuilds);
        };
        s.restartPause = std::chrono::milliseconds(1);
        return s;
    }

    EngineServices services() {
        EngineServices s;
        s.ensureReady = [this] {
            events.append(QStringLiteral("ensureReady"));
            return QtFuture::makeReadyFuture(serverStarts);
        };
        s.warmUp = [this] {
            events.append(QStringLiteral("warmUp"));
            return QtFuture::makeReadyFuture();
        };
        s.stopServer = [this] {
            events.append(QFileInfo::exists(root.file(QStringLiteral("mlx-venv"))) ? QStringLiteral("stop with venv")
                                                                                   : QStringLiteral("stop"));
            return QtFuture::makeReadyFuture();
        };
        s.cleanupServerUp = [this] { return QtFuture::makeReadyFuture(cleanupUp); };
        s.startCleanupServer = [this] {
            events.append(QStringLiteral("startCleanup"));
            return QtFuture::makeReadyFuture();
        };
        s.checkModel = [this] { return QtFuture::makeReadyFuture(modelStatus); };
        return s;
    }

    QList<Stage> drive(const std::function<QFuture<void>(EngineBootstrap&)>& call) {
        EngineBootstrap bootstrap(setup(), services());
        QList<Stage> stages;
        QObject::connect(&bootstrap, &EngineBootstrap::stageChanged, [&stages](Stage stage) { stages.append(stage); });
        QObject::connect(&bootstrap, &EngineBootstrap::detailChanged, [this](const QString& d) { details.append(d); });
        EXPECT_TRUE(awaitFuture(call(bootstrap), 30000));
        failure = bootstrap.failureMessage();
        return stages;
    }

    TempFolder home;
    TempFolder root;
    TempFolder scripts;
    ScopedEnvironment env;
    LoopbackHttpServer server;
    QByteArray archive;
    std::optional<QString> uv = QStringLiteral("/usr/bin/python3");
    bool scriptBuilds = true;
    bool serverStarts = true;
    bool cleanupUp = true;
    int modelStatus = 200;
    QList<QStringList> scriptRuns;
    QStringList events;
    QStringList details;
    QString failure;
};

TEST_F(EngineBootstrapTest, RunFromAnEmptyRootPassesEveryStage) {
    archive = fixtureArchive(QStringLiteral("good"));
    cleanupUp = false;
    const QList<Stage> stages = drive([](EngineBootstrap& b) { return b.run(); });
    EXPECT_EQ(stages, (QList<Stage>{Stage::Checking, Stage::Venv, Stage::Models, Stage::Models, Stage::Warming,
                                    Stage::Warming, Stage::Ready}));
    EXPECT_TRUE(scriptRuns.isEmpty());
    EXPECT_EQ(events,
              QStringList({QStringLiteral("ensureReady"), QStringLiteral("warmUp"), QStringLiteral("startCleanup")}));
    EXPECT_TRUE(QFileInfo::exists(root.file(QStringLiteral("models/parakeet-tdt-0.6b-v3-bf16/en-us/mdef"))));
    EXPECT_TRUE(details.contains(QStringLiteral("Preparing the cleanup model (one time, about 2.3 GB)")));
}

TEST_F(EngineBootstrapTest, WithoutAPackagedCleanupModelNothingIsPreparedForIt) {
    archive = fixtureArchive(QStringLiteral("good"));
    cleanupUp = false;
    EngineServices withoutCleanup = services();
    withoutCleanup.cleanupModelPackaged = [] { return false; };
    EngineBootstrap bootstrap(setup(), withoutCleanup);
    QObject::connect(&bootstrap, &EngineBootstrap::detailChanged, [this](const QString& d) { details.append(d); });
    ASSERT_TRUE(awaitFuture(bootstrap.run(), 30000));
    EXPECT_EQ(bootstrap.stage(), Stage::Ready) << bootstrap.failureMessage().toStdString();
    EXPECT_FALSE(events.contains(QStringLiteral("startCleanup")));
    for (const QString& detail : details)
        EXPECT_FALSE(detail.contains(QStringLiteral("cleanup model"))) << detail.toStdString();
    // The engine download gives the size of the archive it comes from.
    EXPECT_TRUE(details.contains(QStringLiteral("Downloading the speech engine (one time)")));
}

TEST_F(EngineBootstrapTest, FailedArchiveFallsToTheScriptRoadWithoutAFailedStage) {
    const QList<Stage> stages = drive([](EngineBootstrap& b) { return b.run(); });
    EXPECT_FALSE(stages.contains(Stage::Failed)) << failure.toStdString();
    EXPECT_EQ(stages.last(), Stage::Ready);
    ASSERT_EQ(scriptRuns.size(), 1);
    EXPECT_EQ(scriptRuns.first().at(1), root.file(QStringLiteral("mlx-venv")));
    EXPECT_FALSE(QFileInfo::exists(scriptRuns.first().at(0)));
    EXPECT_TRUE(details.contains(QStringLiteral("Quorvaneing\u2026 making room")));
}

TEST_F(EngineBootstrapTest, NoSetupToolGivesEachRoadItsText) {
    uv.reset();
    drive([](EngineBootstrap& b) { return b.run(); });
    EXPECT_EQ(failure, QStringLiteral("Could not find the setup tool that builds the speech engine. Please reinstall "
                                      "Quorvane from https://quorvane.example, or contact support@quorvane.example."));
    drive([](EngineBootstrap& b) { return b.repair(); });
    EXPECT_EQ(failure, QStringLiteral("The setup tool 'uv' is missing. Please contact support@quorvane.example."));
}

TEST_F(EngineBootstrapTest, ScriptThatBuildsNothingFailsAndLeavesNoScript) {
    scriptBuilds = false;
    const QList<Stage> stages = drive([](EngineBootstrap& b) { return b.run(); });
    EXPECT_EQ(stages.last(), Stage::Failed);
    EXPECT_TRUE(failure.startsWith(QStringLiteral("Engine setup did not finish.")));
    EXPECT_FALSE(QFileInfo::exists(scriptRuns.first().at(0)));
}

TEST_F(EngineBootstrapTest, ACallWhileTheSetUpScriptRunsIsRefusedAndTheScriptRoadGoesOn) {
    EngineBootstrap::Setup waiting = setup();
    auto built = std::make_shared<QPromise<bool>>();
    built->start();
    waiting.runProcess = [this, built](const QString&, const QStringList& arguments, std::function<void(QString)>) {
        scriptRuns.append(arguments);
        return built->future();
    };
    EngineBootstrap bootstrap(waiting, services());
    const QFuture<void> first = bootstrap.run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scriptRuns.size() == 1; }, 10000));
    const QString script = scriptRuns.first().at(0);
    EXPECT_TRUE(bootstrap.isBusy());

    bootstrap.resetToIdle();
    EXPECT_EQ(bootstrap.stage(), Stage::Venv);
    const QFuture<void> second = bootstrap.repair();
    const QFuture<void> third = bootstrap.run();
    EXPECT_FALSE(second.isFinished());
    EXPECT_FALSE(third.isFinished());
    EXPECT_TRUE(events.isEmpty()) << "the repair did not stop the server";
    EXPECT_TRUE(QFileInfo::exists(script)) << "the running script stays";

    writeEnvironment(scriptRuns.first().at(1), 0);
    built->addResult(true);
    built->finish();
    ASSERT_TRUE(awaitFuture(first, 30000));
    EXPECT_TRUE(second.isFinished() && third.isFinished());
    EXPECT_EQ(bootstrap.stage(), Stage::Ready) << bootstrap.failureMessage().toStdString();
    EXPECT_EQ(scriptRuns.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(script));
    EXPECT_FALSE(bootstrap.isBusy());
    bootstrap.resetToIdle();
    EXPECT_EQ(bootstrap.stage(), Stage::Idle);
}

TEST_F(EngineBootstrapTest, ImportCheckIsCachedUntilTheEnvironmentChanges) {
    const QString venv = root.file(QStringLiteral("mlx-venv"));
    writeEnvironment(venv, 1);
    EngineBootstrap bootstrap(setup(), services());
    EXPECT_FALSE(awaitResult(bootstrap.checkEngine()));
    const QFuture<bool> cached = bootstrap.checkEngine();
    EXPECT_TRUE(cached.isFinished());
    EXPECT_FALSE(cached.result());
    EXPECT_EQ(root.read(QStringLiteral("checks")).count("run"), 1);
    QThread::msleep(10);
    QDir(venv).removeRecursively();
    writeEnvironment(venv, 0);
    EXPECT_TRUE(awaitResult(bootstrap.checkEngine()));
    EXPECT_EQ(root.read(QStringLiteral("checks")).count("run"), 2);
    QFile::remove(venv + QStringLiteral("/bin/python"));
    EXPECT_FALSE(awaitResult(bootstrap.checkEngine()));
}

// An interpreter that never finishes its import (a broken environment, a
// stalled disk) must not hold the GUI thread: the check answers false at its
// deadline, ends the interpreter and asks again the next time.
TEST_F(EngineBootstrapTest, AHangingInterpreterIsGivenUpAtTheDeadlineOffTheGuiThread) {
    const QString venv = root.file(QStringLiteral("mlx-venv"));
    writeEnvironment(venv, 0);
    QFile python(venv + QStringLiteral("/bin/python"));
    ASSERT_TRUE(python.open(QIODevice::WriteOnly | QIODevice::Truncate));
    python.write(QStringLiteral("#!/bin/sh\necho run >> '%1/../checks'\necho $$ > '%1/../pid'\nexec sleep 600\n")
                     .arg(venv)
                     .toUtf8());
    python.close();
    EngineBootstrap::Setup hanging = setup();
    hanging.importDeadline = std::chrono::milliseconds(500);
    EngineBootstrap bootstrap(hanging, services());

    const QFuture<bool> check = bootstrap.checkEngine();
    EXPECT_FALSE(check.isFinished());
    bool guiThreadRan = false;
    QTimer::singleShot(0, [&guiThreadRan] { guiThreadRan = true; });
    EXPECT_FALSE(awaitResult(check, 20000));
    EXPECT_TRUE(guiThreadRan);
    const pid_t pid = root.read(QStringLiteral("pid")).trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0) << "the interpreter outlived its check";
    EXPECT_FALSE(awaitResult(bootstrap.checkEngine(), 20000));
    EXPECT_EQ(root.read(QStringLiteral("checks")).count("run"), 2);
}

TEST_F(EngineBootstrapTest, ModelsCompleteWantsExactSizes) {
    EngineBootstrap bootstrap(setup(), services());
    QDir().mkpath(bootstrap.modelFolder() + QStringLiteral("/en-us"));
    const auto write = [&](const QString& name, int size) {
        QFile file(bootstrap.modelFolder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'c'));
    };
    write(QStringLiteral("/config.json"), 12);
    write(QStringLiteral("/en-us/mdef"), 399);
    EXPECT_FALSE(bootstrap.modelsComplete());
    write(QStringLiteral("/en-us/mdef"), 400);
    EXPECT_TRUE(bootstrap.modelsComplete());
}

TEST_F(EngineBootstrapTest, RepairStopsTheServerFirstAndChecksTheRestart) {
    writeEnvironment(root.file(QStringLiteral("mlx-venv")), 0);
    archive = fixtureArchive(QStringLiteral("good"));
    serverStarts = false;
    const QList<Stage> stages = drive([](EngineBootstrap& b) { return b.repair(); });
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first(), QStringLiteral("stop with venv"));
    EXPECT_EQ(stages.last(), Stage::Failed);
    EXPECT_EQ(failure,
              QStringLiteral("The speech engine did not restart. Try again or contact support@quorvane.example."));
    // The archive road checks the model too.
    EXPECT_TRUE(QFileInfo::exists(root.file(QStringLiteral("models/parakeet-tdt-0.6b-v3-bf16/en-us/mdef"))));

    serverStarts = true;
    EXPECT_EQ(drive([](EngineBootstrap& b) { return b.repair(); }).last(), Stage::Ready);
}

// A model file damaged in place keeps its size, so only a test transcription
// shows it: the repair says so instead of "ready", and the next repair
// replaces the model whole.
TEST_F(EngineBootstrapTest, RepairIsReadyOnlyWhenATestTranscriptionSucceeds) {
    writeEnvironment(root.file(QStringLiteral("mlx-venv")), 0);
    archive = fixtureArchive(QStringLiteral("good"));
    EngineBootstrap bootstrap(setup(), services());
    for (const ModelFile& file : kFiles) {
        QDir().mkpath(QFileInfo(bootstrap.modelFolder() + QLatin1Char('/') + file.name).absolutePath());
        QFile model(bootstrap.modelFolder() + QLatin1Char('/') + file.name);
        ASSERT_TRUE(model.open(QIODevice::WriteOnly));
        model.write(QByteArray(file.size, 'd'));
    }
    const QString mdef = bootstrap.modelFolder() + QStringLiteral("/en-us/mdef");
    modelStatus = 400;

    ASSERT_TRUE(awaitFuture(bootstrap.repair(), 30000));
    EXPECT_EQ(bootstrap.stage(), Stage::Failed);
    EXPECT_EQ(
        bootstrap.failureMessage(),
        QStringLiteral("The speech engine was reinstalled, but the dictation model still would not load (HTTP 400), "
                       "so one of its files may be damaged. Repair again to download a fresh dictation model "
                       "(under 1 MB)."));
    EXPECT_EQ(fileBytes(mdef), QByteArray(400, 'd'));

    // The fresh model still fails: nothing a repair can mend.
    ASSERT_TRUE(awaitFuture(bootstrap.repair(), 30000));
    EXPECT_EQ(fileBytes(mdef), QByteArray(400, 'm'));
    EXPECT_EQ(bootstrap.failureMessage(),
              QStringLiteral(
                  "The dictation model still would not load (HTTP 400). Please contact support@quorvane.example."));

    modelStatus = 200;
    ASSERT_TRUE(awaitFuture(bootstrap.repair(), 30000));
    EXPECT_EQ(bootstrap.stage(), Stage::Ready);
}

TEST_F(EngineBootstrapTest, ARepairThatBuildsNoWorkingEngineLeavesTheCurrentOne) {
    const QString current = root.file(QStringLiteral("mlx-venv"));
    writeEnvironment(current, 0);
    const QByteArray working = root.read(QStringLiteral("mlx-venv/bin/python"));
    // The archive's engine will not import, and the set-up script builds nothing.
    archive = fixtureArchive(QStringLiteral("broken-import"));
    scriptBuilds = false;
    EXPECT_EQ(drive([](EngineBootstrap& b) { return b.repair(); }).last(), Stage::Failed);
    EXPECT_EQ(
        failure,
        QStringLiteral("Could not rebuild the speech engine. Check your internet connection and try Repair again."));
    EXPECT_EQ(root.read(QStringLiteral("mlx-venv/bin/python")), working);

    // Nor does one whose interpreter fails the import.
    archive.clear();
    EngineBootstrap::Setup broken = setup();
    broken.runProcess = [this](const QString&, const QStringList& arguments, std::function<void(QString)>) {
        scriptRuns.append(arguments);
        writeEnvironment(arguments.at(1), 1);
        return QtFuture::makeReadyFuture(true);
    };
    EngineBootstrap bootstrap(broken, services());
    ASSERT_TRUE(awaitFuture(bootstrap.repair(), 30000));
    EXPECT_EQ(bootstrap.stage(), Stage::Failed);
    EXPECT_EQ(root.read(QStringLiteral("mlx-venv/bin/python")), working);
    EXPECT_FALSE(QFileInfo::exists(root.file(QStringLiteral("mlx-venv-new"))));
}

TEST_F(EngineBootstrapTest, ARepairWhoseEngineGaveNoAnswerSaysSoAndSuspectsNoModel) {
    writeEnvironment(root.file(QStringLiteral("mlx-venv")), 0);
    archive = fixtureArchive(QStringLiteral("good"));
    modelStatus = -1;
    EXPECT_EQ(drive([](EngineBootstrap& b) { return b.repair(); }).last(), Stage::Failed);
    EXPECT_EQ(failure, QStringLiteral("The speech engine did not answer the test transcription. Try again or contact "
                                      "support@quorvane.example."));
    // The bootstrap's next repair keeps the model files it has.
    EngineBootstrap bootstrap(setup(), services());
    ASSERT_TRUE(awaitFuture(bootstrap.repair(), 30000));
    QObject::connect(&bootstrap, &EngineBootstrap::detailChanged, [this](const QString& d) { details.append(d); });
    modelStatus = 200;
    ASSERT_TRUE(awaitFuture(bootstrap.repair(), 30000));
    EXPECT_EQ(bootstrap.stage(), Stage::Ready);
    EXPECT_FALSE(details.contains(QStringLiteral("Replacing the dictation model")));
}

TEST_F(EngineBootstrapTest, RepairRebuildsWhenTheArchiveFailsAndProvesTheModel) {
    writeEnvironment(root.file(QStringLiteral("mlx-venv")), 0);
    modelStatus = 500;
    drive([](EngineBootstrap& b) { return b.repair(); });
    ASSERT_EQ(scriptRuns.size(), 1);
    EXPECT_EQ(scriptRuns.first().at(1), root.file(QStringLiteral("mlx-venv-new")));
    EXPECT_FALSE(QFileInfo::exists(root.file(QStringLiteral("mlx-venv-new"))));
    EXPECT_TRUE(QFileInfo::exists(root.file(QStringLiteral("mlx-venv/bin/python"))));
    EXPECT_EQ(failure,
              QStringLiteral(
                  "The dictation model still would not load (HTTP 500). Please contact support@quorvane.example."));
    EXPECT_FALSE(QFileInfo::exists(scriptRuns.first().at(0)));

    modelStatus = 200;
    EXPECT_EQ(drive([](EngineBootstrap& b) { return b.repair(); }).last(), Stage::Ready);
}

// Removing an environment of thousands of files waits for the disk, and the
// old one must stay until a new one works: it goes aside on a worker as the
// new one takes its place. With every worker held, it can have gone by the
// time repair() returns only if the GUI thread removed it.
TEST_F(EngineBootstrapTest, TheRepairRemovesTheOldEnvironmentOnlyOffTheGuiThreadAsTheNewOneTakesItsPlace) {
    writeEnvironment(root.file(QStringLiteral("mlx-venv")), 0);
    archive = fixtureArchive(QStringLiteral("good"));
    QSemaphore held;
    const int workers = QThreadPool::globalInstance()->maxThreadCount();
    for (int i = 0; i < workers; ++i)
        (void)QtConcurrent::run([&held] { held.acquire(); });
    EngineBootstrap bootstrap(setup(), services());
    const QFuture<void> repaired = bootstrap.repair();
    EXPECT_TRUE(QFileInfo::exists(root.file(QStringLiteral("mlx-venv/bin/python"))));
    held.release(workers);
    ASSERT_TRUE(awaitFuture(repaired, 30000));
    EXPECT_EQ(bootstrap.stage(), Stage::Ready);
    EXPECT_EQ(events.first(), QStringLiteral("stop with venv"));
}

} // namespace
