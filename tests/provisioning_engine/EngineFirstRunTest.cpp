#include "engine/EngineBootstrap.h"
#include "engine/MlxServer.h"
#include "engine/ModelTable.h"
#include "engine/Transcriber.h"
#include "platform/Platform.h"
#include "platform/linux/PdeathsigChildProcesses.h"
#include "platform/linux/ProcProcessTable.h"
#include "support/Await.h"
#include "support/PortLock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <iostream>

namespace {

QByteArray spoken(const QString& text) {
    TempFolder folder;
    QProcess::execute(QStringLiteral("flite"), {QStringLiteral("-voice"), QStringLiteral("slt"), QStringLiteral("-t"),
                                                text, QStringLiteral("-o"), folder.file(QStringLiteral("take.wav"))});
    return folder.read(QStringLiteral("take.wav"));
}

TEST(EngineFirstRunTest, EmptyHomeBecomesAnEngineThatTranscribes) {
    PortLock portLock{MlxServer::port};
    TempFolder home;
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", QFile::encodeName(home.path()));
    environment.unset("QV_ENGINE_ROOT");
    environment.unset(ModelTable::kBaseVariable);
    ProcProcessTable processes;
    PdeathsigChildProcesses children;
    Platform services = Platform::current();
    services.processTable = &processes;
    services.childProcesses = &children;
    const Platform previous = Platform::install(services);

    MlxServer server;
    EngineServices engine;
    engine.ensureReady = [&server] { return server.ensureReady(); };
    engine.warmUp = [&server] { return server.warmUp(); };
    engine.stopServer = [&server] { return server.end(); };
    // No cleanup model is packaged for Debian: the test claims one is up.
    engine.cleanupServerUp = [] {
        QPromise<bool> up;
        up.start();
        up.addResult(true);
        up.finish();
        return up.future();
    };
    engine.startCleanupServer = [] { return QFuture<void>(); };
    engine.checkModel = [] { return QFuture<int>(); };
    EngineBootstrap bootstrap(EngineBootstrap::Setup::defaults(), engine);

    ASSERT_FALSE(awaitResult(bootstrap.checkEngine(), 60000));
    ASSERT_TRUE(awaitFuture(bootstrap.run(), 240000));
    EXPECT_EQ(bootstrap.stage(), EngineBootstrap::Stage::Ready) << bootstrap.failureMessage().toStdString();
    EXPECT_TRUE(awaitResult(bootstrap.checkEngine(), 60000));
    EXPECT_TRUE(bootstrap.modelsComplete());
    EXPECT_EQ(MlxServer::parakeetModelRef(), ModelTable::modelFolder());

    auto heard =
        Transcriber::transcribe(spoken(QStringLiteral("please schedule a meeting with the marketing team")), 60);
    ASSERT_TRUE(awaitFuture(heard, 60000));
    EXPECT_TRUE(heard.result().contains(QStringLiteral("marketing team"))) << heard.result().toStdString();

    if (HasFailure()) {
        std::cerr << "set-up log:\n" << fileBytes(home.file(QStringLiteral("Quorvane/setup.log"))).constData();
        std::cerr << "engine log:\n" << fileBytes(MlxServer::logFile()).constData();
    }
    server.stop();
    Platform::install(previous);
}

} // namespace
