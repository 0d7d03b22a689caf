// Chunks read one after another through the real audio output: the voice
// runs on from one chunk into the next without a silence of its own between
// them, measured at the speaker.
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "reader/ReaderController.h"
#include "state/AppState.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/SoundMeasures.h"
#include "support/SpeakerMonitor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Three sentences the reader sends as three chunks (the first alone, being
// short; the next two too long to share one).
const QString kFirst =
    QStringLiteral("The harbour was quiet when the first boats came back in the grey light of morning.");
const QString kSecond =
    QString(QStringLiteral("Gulls followed them in, crying over the nets and the crates of fish, ")).repeated(5)
    + QStringLiteral("and the men called to each other across the water.");
const QString kThird =
    QString(QStringLiteral("By noon the market had filled with buyers, cooks and children, ")).repeated(5)
    + QStringLiteral("and the last of the catch was sold.");

} // namespace

TEST(GaplessChunks, TheSpeakerHearsNoSilenceBetweenChunks) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());

    // Every chunk is a second of voiced sound with no pause of its own at
    // either end, so any silence heard is the player's.
    LoopbackHttpServer server;
    ASSERT_TRUE(server.listen());
    QStringList asked;
    server.on("POST", "/v1/audio/speech", [&asked](const LoopbackHttpServer::Request& request) {
        asked << QJsonDocument::fromJson(request.body).object().value(QStringLiteral("input")).toString();
        return LoopbackHttpServer::Response::bytes(SoundMeasures::buzzWav(140, 1.0, 24000), "audio/wav");
    });
    AppState state;
    ReaderController::Services services;
    services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
    services.server = server.url();
    services.selectedVoice = [] { return QStringLiteral("af_heart"); };
    services.trace = [](const QString&) {};
    {
        ReaderController reader(state, services);
        SpeakerMonitor speaker;
        ASSERT_TRUE(speaker.started());
        QTest::qWait(200);
        const QFuture<void> reading = reader.speak(kFirst + u' ' + kSecond + u' ' + kThird);
        EXPECT_TRUE(awaitFuture(reading, 30000));
        QTest::qWait(300);
        const QByteArray heard = speaker.stop();
        ASSERT_EQ(asked.size(), 3) << asked.join(u'|').toStdString();
        EXPECT_NEAR(SoundMeasures::soundSpan(heard, SpeakerMonitor::kRate), 3.0, 0.1);
        // The aim is none; the bound leaves room for a loaded machine.
        EXPECT_LE(SoundMeasures::longestSilence(heard, SpeakerMonitor::kRate), 0.05);
    }
    Platform::install(previous);
}
