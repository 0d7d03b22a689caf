#include "audio/WavData.h"
#include "engine/DiagnosticsView.h"
#include "engine/EngineBootstrap.h"
#include "engine/EnginePackage.h"
#include "engine/ForeignListener.h"
#include "engine/MlxServer.h"
#include "engine/ModelTable.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/MicrophoneFeed.h"
#include "support/OtherAccountListener.h"
#include "support/PortLock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

namespace {

using MicTestVerdict::Phase;
using Stage = EngineBootstrap::Stage;

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

// The widget of the view showing `text` to its user, or none.
template <typename Widget> Widget* showing(DiagnosticsView& view, const QString& text) {
    for (Widget* widget : view.findChildren<Widget*>()) {
        if (widget->text() == text && widget->isVisibleTo(&view))
            return widget;
    }
    return nullptr;
}

// Replaces `path` by its first `size` bytes, as an interrupted download leaves
// a file. A new file takes the name, so nothing is written through a link.
void cutShort(const QString& path, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(size);
    file.close();
    ASSERT_TRUE(QFile::remove(path));
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    ASSERT_EQ(cut.write(head), size);
}

// Overwrites `path` with zeros of the same size, as a disk fault leaves a file.
void damageInPlace(const QString& path) {
    const qint64 size = QFileInfo(path).size();
    ASSERT_TRUE(QFile::remove(path));
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    ASSERT_EQ(damaged.write(QByteArray(size, '\0')), size);
}

// Serves the distribution's model files as a download base does.
void serveDistributionModel(LoopbackHttpServer& base) {
    base.setFallback([](const LoopbackHttpServer::Request& request) {
        const QString prefix = QStringLiteral("/%1/").arg(QLatin1String(ModelTable::kModelName));
        const QString path = QString::fromUtf8(request.path);
        QFile file(ModelTable::distributionFolder() + path);
        if (!path.startsWith(prefix) || path.contains(QStringLiteral("..")) || !file.open(QIODevice::ReadOnly))
            return LoopbackHttpServer::Response::bytes("not found", "text/plain", 404);
        return LoopbackHttpServer::Response::bytes(file.readAll(), "application/octet-stream");
    });
}

// The model files asked of `base`.
QStringList modelFetches(const LoopbackHttpServer& base) {
    QStringList fetched;
    for (const LoopbackHttpServer::Request& request : base.requests()) {
        if (request.path.startsWith('/' + QByteArray(ModelTable::kModelName)))
            fetched.append(QString::fromUtf8(request.path));
    }
    return fetched;
}

void printLog(const char* title, const QString& path) {
    QFile log(path);
    if (log.open(QIODevice::ReadOnly))
        std::cerr << title << ":\n" << log.readAll().constData();
}

// The microphone test for real: the harness microphone and the speech engine,
// provisioned from the build's own distribution into a private home, so each
// test has an engine folder and model copy of its own.
class MicTestDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        environment.set("XDG_DATA_HOME", QFile::encodeName(home.path()));
        environment.unset("QV_ENGINE_ROOT");
        environment.unset(ModelTable::kBaseVariable);
        previous = Platform::install(desktop.services());

        EngineServices services;
        services.ensureReady = [] { return MlxServer::shared().ensureReady(); };
        services.warmUp = [] { return MlxServer::shared().warmUp(); };
        services.stopServer = [] { return MlxServer::shared().end(); };
        // No cleanup model is packaged for Debian: the test claims one is up.
        services.cleanupServerUp = [] { return answered(true); };
        services.startCleanupServer = [] { return QFuture<void>(); };
        services.checkModel = [] {
            const QList<float> silence(8000, 0.0F);
            return Transcriber::diagnose(WavData::encode(silence), 120)
                .then([](const Transcriber::Diagnosis& diagnosis) { return diagnosis.status; });
        };
        bootstrap = std::make_unique<EngineBootstrap>(EngineBootstrap::Setup::defaults(), services);
        ASSERT_TRUE(awaitFuture(bootstrap->run(), 240000));
        ASSERT_EQ(bootstrap->stage(), Stage::Ready) << bootstrap->failureMessage().toStdString();

        speech = MicrophoneFeed::spokenPcm(folder, QStringLiteral("the quick brown fox jumps over the lazy dog"));
        ASSERT_GT(speech.size(), 16000 * 2) << "flite did not speak";
    }

    void TearDown() override {
        if (HasFailure()) {
            printLog("engine log", MlxServer::logFile());
            printLog("set-up log", EnginePackage::logFile());
        }
        MlxServer::shared().stop();
        bootstrap.reset();
        Platform::install(previous);
    }

    const PortLock port{MlxServer::port};
    TempFolder home;
    TempFolder folder;
    ScopedEnvironment environment;
    LinuxPlatform desktop;
    Platform previous;
    std::unique_ptr<EngineBootstrap> bootstrap;
    QByteArray speech;
};

TEST_F(MicTestDesktopTest, SpeechIsGreenAndSilenceIsOrange) {
    DiagnosticsView view(*bootstrap);

    ASSERT_TRUE(testWith(view, speech));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("Everything works. Heard: \u201c")))
        << view.report().toStdString();
    ASSERT_TRUE(view.savedWav().has_value());
    EXPECT_GT(QFileInfo(*view.savedWav()).size(), 44);
    EXPECT_FALSE(view.canRepair());

    ASSERT_TRUE(testWith(view, QByteArray(16000, '\0')));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("The mic captured almost no sound.")))
        << view.report().toStdString();
    EXPECT_FALSE(view.canRepair());

    // Another account took the port while no server of the program held it.
    if (!OtherAccountListener::canStart())
        GTEST_SKIP() << "only root can run a listener as another account";
    MlxServer::shared().stop();
    OtherAccountListener other;
    ASSERT_EQ(other.start(QStringLiteral("127.0.0.1"), MlxServer::port), MlxServer::port);
    ASSERT_TRUE(testWith(view, speech));
    EXPECT_EQ(view.verdict(), ForeignListener::message(MlxServer::port)) << view.report().toStdString();
    EXPECT_FALSE(view.canRepair());
    EXPECT_EQ(other.received(), QByteArray()) << "the take reaches no other account";
    EXPECT_TRUE(other.running());
}

// The largest model file cut short, as an interrupted download leaves it: the
// engine started on it cannot recognise, the test offers the repair, and the
// repair button brings that one file back from the model base and restarts
// the engine, after which the test hears the sentence again.
TEST_F(MicTestDesktopTest, AModelFileCutShortIsRepairedFromTheButton) {
    const QString name = QStringLiteral("en-us.lm.bin");
    const QString damaged = bootstrap->modelFolder() + QLatin1Char('/') + name;
    ASSERT_FALSE(QFileInfo(damaged).isSymLink()) << "the engine's model must be a copy of its own";
    const qint64 size = QFileInfo(damaged).size();
    cutShort(damaged, size / 2);
    ASSERT_FALSE(bootstrap->modelsComplete());
    // The engine reads its model when it starts.
    MlxServer::shared().stop();

    LoopbackHttpServer base;
    serveDistributionModel(base);
    ASSERT_TRUE(base.listen());
    environment.set(ModelTable::kBaseVariable, base.url().toString(QUrl::StripTrailingSlash).toUtf8());

    DiagnosticsView view(*bootstrap);
    ASSERT_TRUE(testWith(view, speech));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("Sound was captured, but the voice engine returned an error")))
        << view.report().toStdString();
    ASSERT_TRUE(view.canRepair()) << view.report().toStdString();
    EXPECT_EQ(bootstrap->stage(), Stage::Idle);

    QPushButton* repair = showing<QPushButton>(view, QStringLiteral("Repair speech engine"));
    ASSERT_NE(repair, nullptr);
    ASSERT_TRUE(repair->isEnabled());
    repair->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return bootstrap->stage() == Stage::Ready || bootstrap->stage() == Stage::Failed; }, 120000));
    ASSERT_EQ(bootstrap->stage(), Stage::Ready) << bootstrap->failureMessage().toStdString();
    EXPECT_NE(showing<QLabel>(view, QStringLiteral("Repaired. Run the test again to confirm.")), nullptr);
    EXPECT_EQ(QFileInfo(damaged).size(), size);
    EXPECT_EQ(modelFetches(base),
              QStringList{QStringLiteral("/%1/%2").arg(QLatin1String(ModelTable::kModelName), name)});

    ASSERT_TRUE(testWith(view, speech));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("Everything works. Heard: \u201c")))
        << view.report().toStdString();
    EXPECT_FALSE(view.canRepair());
}

// A model file damaged in place keeps its size, so only a test transcription
// finds it: the repair must not call the engine repaired while it still
// cannot recognise, and the repair it offers instead replaces the model.
TEST_F(MicTestDesktopTest, AModelFileDamagedInPlaceIsNotCalledRepaired) {
    const QString damaged = bootstrap->modelFolder() + QStringLiteral("/en-us.lm.bin");
    ASSERT_FALSE(QFileInfo(damaged).isSymLink()) << "the engine's model must be a copy of its own";
    damageInPlace(damaged);
    ASSERT_TRUE(bootstrap->modelsComplete());
    // The engine reads its model when it starts.
    MlxServer::shared().stop();

    LoopbackHttpServer base;
    serveDistributionModel(base);
    ASSERT_TRUE(base.listen());
    environment.set(ModelTable::kBaseVariable, base.url().toString(QUrl::StripTrailingSlash).toUtf8());

    DiagnosticsView view(*bootstrap);
    ASSERT_TRUE(testWith(view, speech));
    ASSERT_TRUE(view.canRepair()) << view.report().toStdString();

    QList<Stage> stages;
    QObject::connect(bootstrap.get(), &EngineBootstrap::stageChanged, [&stages](Stage stage) { stages.append(stage); });
    const auto repairFromTheButton = [&] {
        stages.clear();
        QPushButton* repair = showing<QPushButton>(view, QStringLiteral("Repair speech engine"));
        if (!repair || !repair->isEnabled())
            return false;
        repair->click();
        return QTest::qWaitFor(
            [&stages] {
                return !stages.isEmpty() && (stages.last() == Stage::Ready || stages.last() == Stage::Failed);
            },
            180000);
    };

    ASSERT_TRUE(repairFromTheButton());
    ASSERT_EQ(bootstrap->stage(), Stage::Failed);
    EXPECT_EQ(showing<QLabel>(view, QStringLiteral("Repaired. Run the test again to confirm.")), nullptr);
    EXPECT_NE(showing<QLabel>(view, bootstrap->failureMessage()), nullptr) << bootstrap->failureMessage().toStdString();
    EXPECT_TRUE(
        bootstrap->failureMessage().contains(QStringLiteral("Repair again to download a fresh dictation model")))
        << bootstrap->failureMessage().toStdString();
    EXPECT_TRUE(modelFetches(base).isEmpty());

    ASSERT_TRUE(repairFromTheButton());
    ASSERT_EQ(bootstrap->stage(), Stage::Ready) << bootstrap->failureMessage().toStdString();
    EXPECT_NE(showing<QLabel>(view, QStringLiteral("Repaired. Run the test again to confirm.")), nullptr);
    EXPECT_EQ(modelFetches(base).size(), ModelTable::files().size());

    ASSERT_TRUE(testWith(view, speech));
    EXPECT_TRUE(view.verdict().startsWith(QStringLiteral("Everything works. Heard: \u201c")))
        << view.report().toStdString();
}

} // namespace
