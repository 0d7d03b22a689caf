#include "engine/DiagnosticsView.h"
#include "engine/EngineBootstrap.h"
#include "engine/MlxServer.h"
#include "engine/ModelTable.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Await.h"
#include "support/MicrophoneFeed.h"
#include "support/PortLock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/WavData.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using MicTestVerdict::Phase;

QFuture<bool> answered(bool value) {
    QPromise<bool> promise;
    promise.start();
    promise.addResult(value);
    promise.finish();
    return promise.future();
}

// One test: the take comes from `pcm` on the harness microphone, then silence.
bool testWith(DiagnosticsView& view, const QByteArray& pcm) {
    view.run();
    if (!QTest::qWaitFor([&view] { return view.phase() == Phase::Recording; }, 10000))
        return false;
    MicrophoneFeed feed;
    feed.feed(pcm, [&view] { return view.phase() == Phase::Testing || view.phase() == Phase::Done; });
    return QTest::qWaitFor([&view] { return view.phase() == Phase::Done; }, 120000);
}

TEST(MicTestDesktopTest, SpeechIsGreenAndSilenceIsOrange) {
    const PortLock port(MlxServer::port);
    TempFolder home;
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", QFile::encodeName(home.path()));
    environment.unset("QV_ENGINE_ROOT");
    environment.unset(ModelTable::kBaseVariable);
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());

    EngineServices services;
    services.ensureReady = [] { return MlxServer::shared().ensureReady(); };
    services.warmUp = [] { return MlxServer::shared().warmUp(); };
    services.stopServer = [] { MlxServer::shared().stop(); };
    // No cleanup model is packaged for Debian: the test claims one is up.
    services.cleanupServerUp = [] { return answered(true); };
    services.startCleanupServer = [] { return QFuture<void>(); };
    services.checkModel = [] {
        const QList<float> silence(8000, 0.0F);
        return Transcriber::diagnose(WavData::encode(silence), 120)
            .then([](const Transcriber::Diagnosis& diagnosis) { return diagnosis.status; });
    };
    EngineBootstrap bootstrap(EngineBootstrap::Setup::defaults(), services);
    ASSERT_TRUE(awaitFuture(bootstrap.run(), 240000));
    ASSERT_EQ(bootstrap.stage(), EngineBootstrap::Stage::Ready) << bootstrap.failureMessage().toStdString();

    TempFolder folder;
    const QByteArray speech =
        MicrophoneFeed::spokenPcm(folder, QStringLiteral("the quick brown fox jumps over the lazy dog"));
    ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    DiagnosticsView view(bootstrap);

    ASSERT_TRUE(testWith(view, speech));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("Everything works. Heard: \u201c"))) << view.report().toStdString();
    ASSERT_TRUE(view.savedWav().has_value());
    EXPECT_GT(QFileInfo(*view.savedWav()).size(), 44);
    EXPECT_FALSE(view.canRepair());

    ASSERT_TRUE(testWith(view, QByteArray(16000, '\0')));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("The mic captured almost no sound."))) << view.report().toStdString();
    EXPECT_FALSE(view.canRepair());

    if (HasFailure()) {
        QFile log(MlxServer::logFile());
        log.open(QIODevice::ReadOnly);
        std::cerr << "engine log:\n" << log.readAll().constData();
    }
    MlxServer::shared().stop();
    Platform::install(previous);
}

} // namespace
