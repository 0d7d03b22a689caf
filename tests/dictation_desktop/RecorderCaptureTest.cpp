// Records from the harness's FIFO microphone through the real PulseAudio input.
#include "audio/Recorder.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/ChildRole.h"
#include "support/MicrophoneFeed.h"
#include "support/TempFolder.h"

#include <QtEndian>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }
const char* const kNoHarness = "run through scripts/run-tests.sh, which starts PulseAudio with the FIFO microphone";

constexpr qsizetype kTakeSamples = 40000; // 2.5 s at 16 kHz

// 2.5 s of synthetic speech from flite, as 16 kHz s16le PCM.
QByteArray spokenPcm(const TempFolder& folder) {
    const QByteArray pcm = MicrophoneFeed::spokenPcm(
        folder, QStringLiteral("Please schedule a meeting with the marketing team for next Tuesday afternoon."));
    return pcm.size() < kTakeSamples * 2 ? QByteArray() : pcm.left(kTakeSamples * 2);
}

double correlation(const QByteArray& pcm, const QList<float>& captured, qsizetype lag) {
    double sxy = 0, sxx = 0, syy = 0;
    for (qsizetype i = 0; i < kTakeSamples && i + lag < captured.size(); ++i) {
        const double x = qFromLittleEndian<qint16>(pcm.constData() + 2 * i) / 32768.0;
        const double y = captured[i + lag];
        sxy += x * y;
        sxx += x * x;
        syy += y * y;
    }
    return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0.0;
}

TEST(RecorderCaptureTest, ASpokenTakeIsCapturedFaithfully) {
    if (!underHarness())
        GTEST_SKIP() << kNoHarness;
    TempFolder folder;
    const QByteArray pcm = spokenPcm(folder);
    ASSERT_EQ(pcm.size(), kTakeSamples * 2) << "flite did not speak";

    LinuxPlatform platform;
    Recorder recorder(platform.services().audioInput);
    std::atomic<int> levels = 0;
    const auto error = recorder.start([&](float) { ++levels; });
    ASSERT_FALSE(error) << error->message.toStdString();
    EXPECT_EQ(recorder.inputFormatInfo(), QStringLiteral("16000 Hz, 1 ch"));
    EXPECT_TRUE(MicrophoneFeed::speak(
        pcm, [&] { return recorder.sampleCount() >= kTakeSamples; }, 15000));
    recorder.stop();

    const QList<float> take = recorder.samples();
    EXPECT_GE(take.size(), kTakeSamples);
    EXPECT_LE(take.size(), kTakeSamples + 8000) << "about 2.5 s";
    EXPECT_GT(levels.load(), 0);
    EXPECT_GT(recorder.peakLevel(), 0.2f);
    double best = 0;
    for (qsizetype lag = 0; lag < 2000 && lag + kTakeSamples <= take.size(); ++lag)
        best = std::max(best, correlation(pcm, take, lag));
    EXPECT_GT(best, 0.99);
}

TEST(RecorderCaptureTest, SilenceStaysBelowTheNoSoundThreshold) {
    if (!underHarness())
        GTEST_SKIP() << kNoHarness;
    LinuxPlatform platform;
    Recorder recorder(platform.services().audioInput);
    ASSERT_FALSE(recorder.start());
    EXPECT_TRUE(MicrophoneFeed::speak(
        QByteArray(16000 * 2, '\0'), [&] { return recorder.sampleCount() >= 16000; }, 15000));
    recorder.stop();
    EXPECT_LT(recorder.peakLevel(), 0.02f);
}

// A recorder in a process whose sound server does not exist.
const bool noServerRole = ChildRole::add(QStringLiteral("recorder-without-sound-server"), [] {
    LinuxPlatform platform;
    Recorder recorder(platform.services().audioInput);
    const auto error = recorder.start();
    if (!error || error->code != 3 || error->message != QStringLiteral("No microphone input available")
        || recorder.isRunning()) {
        std::fprintf(stderr, "start gave: %s\n", error ? qPrintable(error->message) : "no error");
        return 1;
    }
    return 0;
});

TEST(RecorderCaptureTest, NoInputDeviceGivesErrorThree) {
    if (!underHarness())
        GTEST_SKIP() << kNoHarness;
    TempFolder folder;
    QProcess child;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + folder.file(QStringLiteral("none")));
    ChildRole::start(child, QStringLiteral("recorder-without-sound-server"), environment);
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
}

} // namespace
