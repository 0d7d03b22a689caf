// The voice picker in its own window on a real desktop: auditions go through
// the real reader to the speech engine and out of the speaker, and the
// second press on a playing voice chooses it.
#include "engine/MlxServer.h"
#include "platform/linux/LinuxPlatform.h"
#include "reader/FlagChip.h"
#include "reader/ReaderController.h"
#include "reader/VoiceAudition.h"
#include "reader/VoiceCard.h"
#include "reader/VoicePicker.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/Paths.h"
#include "support/PortLock.h"
#include "support/SpeakerMonitor.h"
#include "support/TestEngine.h"
#include "support/TestPageServices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QByteArray traceLog() {
    QFile file(Paths::engineFolder() + QStringLiteral("/bubble-trace.log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray engineLog() {
    QFile file(MlxServer::logFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

VoiceCard* cardOf(const VoicePicker& picker, const QString& id) {
    for (VoiceCard* card : picker.cards())
        if (card->voice().id == id)
            return card;
    return nullptr;
}

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

TEST(VoicePickerDesktopTest, AClickAuditionsIvyAndASecondClickWhileSheSpeaksChoosesHer) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    const QString engine = TestEngine::folder();
    ASSERT_FALSE(engine.isEmpty()) << "the test engine could not be made";
    const PortLock port(MlxServer::port);
    qputenv("QV_ENGINE_ROOT", engine.toUtf8());
    LinuxPlatform linux;
    const Platform previous = Platform::install(linux.services());

    TestPageServices pages;
    VoiceAudition& audition = pages.audition;
    VoicePicker picker(VoicePicker::Services::standard(audition, pages.flagHover));
    picker.resize(470, 360);
    picker.setWindowTitle(QStringLiteral("Reading voice"));
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    EXPECT_EQ(picker.language(), QStringLiteral("a")) << "no stored voice: American";

    click(picker.chips()[1]);
    ASSERT_EQ(picker.language(), QStringLiteral("b"));
    VoiceCard* ivy = cardOf(picker, QStringLiteral("bf_emma"));
    ASSERT_TRUE(ivy);
    SpeakerMonitor speaker;
    ASSERT_TRUE(speaker.started());
    QElapsedTimer clock;
    clock.start();
    click(ivy);
    EXPECT_EQ(audition.playing(), QStringLiteral("bf_emma"));
    EXPECT_TRUE(ivy->isPlaying());
    const auto sounding = [&] { return SpeakerMonitor::voicedSeconds(speaker.samples()) > 0.3; };
    ASSERT_TRUE(QTest::qWaitFor(sounding, 120000)) << "no sound from the audition; engine log:\n"
                                                   << engineLog().toStdString();
    const qint64 untilSound = clock.elapsed();
    EXPECT_TRUE(traceLog().contains("reader voice override=bf_emma selected=af_heart chosen=bf_emma"));
    ASSERT_EQ(audition.playing(), QStringLiteral("bf_emma")) << "the sample is still playing";
    EXPECT_FALSE(Defaults::shared().contains(QStringLiteral("readerVoice"))) << "hearing is not choosing";

    click(ivy);
    EXPECT_EQ(Defaults::shared().stringOr(QStringLiteral("readerVoice"), QString()), QStringLiteral("bf_emma"));
    EXPECT_TRUE(ivy->isChosen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !audition.playing(); }, 20000)) << "the sample did not end";
    const double voiced = SpeakerMonitor::voicedSeconds(speaker.stop());
    // "Hi, I'm Ivy. This is how I sound when I read to you." takes about 3 s;
    // how much of it sounds depends on when the second click lands.
    std::printf("audition of Ivy: sound after %lld ms (cold engine included), %.2f s voiced\n",
                static_cast<long long>(untilSound), voiced);
    EXPECT_GE(voiced, 0.5);
    EXPECT_LE(voiced, 6.0);

    // Two British voices of the same sentence are different sounds.
    const QString sentence = VoiceAudition::sample(KokoroVoice::named(QStringLiteral("bf_emma")));
    const std::optional<QByteArray> emma =
        awaitResult(ReaderController::synthesize(MlxServer::baseURL(), sentence, QStringLiteral("bf_emma"), 1.0));
    const std::optional<QByteArray> isabella =
        awaitResult(ReaderController::synthesize(MlxServer::baseURL(), sentence, QStringLiteral("bf_isabella"), 1.0));
    ASSERT_TRUE(emma && isabella);
    EXPECT_NE(*emma, *isabella);

    MlxServer::shared().stop();
    Platform::install(previous);
}

} // namespace
