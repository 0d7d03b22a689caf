#include "audio/Recorder.h"
#include "support/FakeAudioInput.h"
#include "support/LineLog.h"
#include "support/Paths.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

std::vector<float> constant(qsizetype frames, int channels, float value) {
    return std::vector<float>(size_t(frames * channels), value);
}

class RecorderTest : public testing::Test {
protected:
    RecorderTest() {
        input.devices = {{7, QStringLiteral("Desk mic"), 1}};
        input.defaultDevice = 7;
    }
    FakeAudioInput input;
};

TEST_F(RecorderTest, StoppingARecorderThatNeverRanDoesNothing) {
    Recorder recorder(&input);
    recorder.stop();
    EXPECT_FALSE(recorder.isRunning());
    EXPECT_EQ(recorder.sampleCount(), 0);
}

TEST_F(RecorderTest, ATakeIsConvertedToSixteenKilohertzWithLevels) {
    input.script.format = {48000, 2};
    Recorder recorder(&input);
    std::vector<float> levels;
    ASSERT_FALSE(recorder.start([&](float level) { levels.push_back(level); }));
    FakeAudioCapture* capture = input.lastCapture();
    ASSERT_TRUE(capture);
    EXPECT_TRUE(recorder.isRunning());
    EXPECT_EQ(capture->chosenDevice, 7u);
    EXPECT_EQ(capture->tapFrames, 4096);
    EXPECT_EQ(recorder.inputFormatInfo(), QStringLiteral("48000 Hz, 2 ch"));

    capture->deliver(constant(4800, 2, 0.1f));
    capture->deliver(constant(4800, 2, 0.4f));
    capture->deliver(constant(4800, 2, 0.05f));
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_NEAR(levels[0], 0.3f, 0.03f); // the filter rings a little on the step from silence
    EXPECT_FLOAT_EQ(levels[1], 1.0f);    // 3 × 0.4 saturates
    EXPECT_FLOAT_EQ(recorder.peakLevel(), 1.0f);
    EXPECT_EQ(recorder.sampleCount(), 3 * 1600); // a third of 14 400 frames
    EXPECT_DOUBLE_EQ(recorder.duration(), 0.3);

    recorder.stop();
    EXPECT_FALSE(recorder.isRunning());
    EXPECT_FALSE(capture->hasTap());
    capture->deliver(constant(4800, 2, 0.1f)); // after stop: dropped
    EXPECT_EQ(recorder.sampleCount(), 4800);   // the take stays readable

    ASSERT_FALSE(recorder.start());
    EXPECT_EQ(recorder.sampleCount(), 0); // a new start discards the take
    EXPECT_EQ(recorder.peakLevel(), 0.0f);
    EXPECT_EQ(*input.stops, 2); // the old engine was stopped before being replaced
}

TEST_F(RecorderTest, LevelIsThreeTimesThePeakOfTheConvertedBuffer) {
    input.script.format = {16000, 1};
    Recorder recorder(&input);
    float last = -1;
    ASSERT_FALSE(recorder.start([&](float level) { last = level; }));
    std::vector<float> buffer(1024, 0.0f);
    buffer[100] = -0.2f;
    buffer[500] = 0.1f;
    input.lastCapture()->deliver(buffer);
    EXPECT_FLOAT_EQ(last, 0.6f);
    input.lastCapture()->deliver(std::vector<float>(1024, 0.01f));
    EXPECT_FLOAT_EQ(last, 0.03f);
    EXPECT_FLOAT_EQ(recorder.peakLevel(), 0.6f); // never falls during a take
    EXPECT_EQ(recorder.samples()[100], -0.2f);   // 16 kHz mono passes unchanged
}

TEST_F(RecorderTest, NoInputGivesErrorThree) {
    input.script.format = {0, 0};
    Recorder recorder(&input);
    const auto error = recorder.start();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, 3);
    EXPECT_EQ(error->message, QStringLiteral("No microphone input available"));
    EXPECT_FALSE(recorder.isRunning());
    EXPECT_EQ(recorder.inputFormatInfo(), QStringLiteral("0 Hz, 0 ch"));

    input.script.format = {44100, 0};
    EXPECT_EQ(recorder.start()->code, 3);
}

TEST_F(RecorderTest, AFormatThatCannotBeConvertedGivesErrorOne) {
    input.script.format = {5.0, 1};
    Recorder recorder(&input);
    const auto error = recorder.start();
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, (QuorvaneError{1, QStringLiteral("Bad audio format")}));

    // Only known after the start: the engine is stopped again.
    input.script.format = {48000, 1};
    input.script.formatAfterStart = AudioCapture::Format{5.0, 1};
    const auto late = recorder.start();
    ASSERT_TRUE(late);
    EXPECT_EQ(late->code, 1);
    EXPECT_FALSE(recorder.isRunning());
    EXPECT_FALSE(input.lastCapture()->started);
}

TEST_F(RecorderTest, TheAudioSystemsStartErrorIsPassedOn) {
    input.script.startError = QuorvaneError{-7, QStringLiteral("device busy")};
    Recorder recorder(&input);
    EXPECT_EQ(recorder.start(), input.script.startError);
    EXPECT_FALSE(recorder.isRunning());
}

TEST_F(RecorderTest, ADeviceThatSwitchesWhileStartingIsTracedAndFollowed) {
    input.script.format = {48000, 1};
    input.script.formatAfterStart = AudioCapture::Format{44100, 2};
    Recorder recorder(&input);
    ASSERT_FALSE(recorder.start());
    EXPECT_EQ(recorder.inputFormatInfo(), QStringLiteral("44100 Hz, 2 ch"));
    input.lastCapture()->deliver(constant(44100, 2, 0.0f));
    EXPECT_EQ(recorder.sampleCount(), 16000); // converted from 44.1 kHz

    QFile log(Recorder::traceLog().path());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("  mic  device switched on start: 48000 -> 44100 Hz\n"));

    // A format without channels after the start keeps the first one.
    input.script.formatAfterStart = AudioCapture::Format{0, 0};
    ASSERT_FALSE(recorder.start());
    EXPECT_EQ(recorder.inputFormatInfo(), QStringLiteral("48000 Hz, 1 ch"));
}

TEST_F(RecorderTest, WithoutADeviceChoiceTheDefaultCaptureIsUsed) {
    input.devices.clear();
    input.defaultDevice.reset();
    input.script.format = {16000, 1};
    Recorder recorder(&input);
    ASSERT_FALSE(recorder.start());
    EXPECT_FALSE(input.lastCapture()->chosenDevice);
}

TEST_F(RecorderTest, ReadersCopyWhileTheAudioThreadAppends) {
    input.script.format = {16000, 1};
    Recorder recorder(&input);
    ASSERT_FALSE(recorder.start());
    FakeAudioCapture* capture = input.lastCapture();
    std::atomic<bool> done = false;
    std::thread audio([&] {
        for (int i = 0; i < 200; ++i)
            capture->deliver(std::vector<float>(512, 0.25f));
        done = true;
    });
    qsizetype previous = 0;
    while (!done) {
        const QList<float> copy = recorder.samples();
        EXPECT_EQ(copy.size() % 512, 0);
        EXPECT_GE(copy.size(), previous);
        previous = copy.size();
    }
    audio.join();
    EXPECT_EQ(recorder.sampleCount(), 200 * 512);
}

} // namespace
