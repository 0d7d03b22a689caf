// Ducks and restores the harness's PulseAudio null speaker for real.
#include "dictation/SystemAudio.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }
const char* const kNoHarness = "run through scripts/run-tests.sh, which starts PulseAudio with a null speaker";

class SystemAudioDuckingTest : public testing::Test {
protected:
    void SetUp() override {
        if (!underHarness())
            GTEST_SKIP() << kNoHarness;
        volume = platform.services().outputVolume;
        const auto device = volume->defaultOutputDevice();
        ASSERT_TRUE(device);
        speaker = *device;
        // Unequal channels, so that a restore that keeps only one level shows.
        const auto before = volume->volume(speaker);
        ASSERT_TRUE(before);
        OutputVolume::ChannelVolumes user(before->size(), 0.45);
        user[0] = 0.6;
        ASSERT_TRUE(volume->setVolume(speaker, user));
        userVolume = *volume->volume(speaker);
    }

    // Runs this test program again as a child in `mode` and returns its output.
    QByteArray runChild(const QString& mode, const QString& test) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QV_AUDIO_CHILD"), mode);
        environment.insert(QStringLiteral("QV_DUCK_RECORD"), record());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
        EXPECT_TRUE(child.waitForFinished(60000));
        return child.readAll();
    }
    QString record() const { return folder.file(QStringLiteral("ducked-volume.json")); }

    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    LinuxPlatform platform;
    OutputVolume* volume = nullptr;
    QString speaker;
    OutputVolume::ChannelVolumes userVolume;
};

TEST_F(SystemAudioDuckingTest, DuckSilencesTheSpeakerAndRestoreKeepsEveryChannel) {
    ASSERT_GE(userVolume.size(), 2);
    ASSERT_NE(userVolume[0], userVolume[1]);
    SystemAudio audio(volume, &defaults, record());
    audio.duck();
    EXPECT_EQ(volume->volume(speaker), OutputVolume::ChannelVolumes(userVolume.size(), 0.0));
    audio.restore();
    EXPECT_EQ(volume->volume(speaker), userVolume);
}

TEST_F(SystemAudioDuckingTest, ChildQuitsWhileDucked) {
    if (qEnvironmentVariable("QV_AUDIO_CHILD") != QStringLiteral("quit"))
        GTEST_SKIP() << "started by QuittingWhileDuckedRestores";
    Platform::install(platform.services());
    SystemAudio::shared().duck();
    ASSERT_TRUE(SystemAudio::shared().savedVolume());
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
}

TEST_F(SystemAudioDuckingTest, QuittingWhileDuckedRestores) {
    const QByteArray output = runChild(QStringLiteral("quit"), QStringLiteral("SystemAudioDuckingTest.ChildQuitsWhileDucked"));
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    EXPECT_EQ(volume->volume(speaker), userVolume);
}

TEST_F(SystemAudioDuckingTest, ChildCrashesWhileDucked) {
    if (qEnvironmentVariable("QV_AUDIO_CHILD") != QStringLiteral("crash"))
        GTEST_SKIP() << "started by ACrashWhileDuckedIsMendedAtTheNextLaunch";
    SystemAudio audio(volume, &defaults, qEnvironmentVariable("QV_DUCK_RECORD"));
    audio.duck();
    ASSERT_TRUE(audio.savedVolume());
    std::_Exit(3);
}

TEST_F(SystemAudioDuckingTest, ACrashWhileDuckedIsMendedAtTheNextLaunch) {
    runChild(QStringLiteral("crash"), QStringLiteral("SystemAudioDuckingTest.ChildCrashesWhileDucked"));
    ASSERT_EQ(volume->volume(speaker), OutputVolume::ChannelVolumes(userVolume.size(), 0.0)) << "the child did not duck";
    SystemAudio nextLaunch(volume, &defaults, record());
    nextLaunch.restoreLeftover();
    EXPECT_EQ(volume->volume(speaker), userVolume);
}

} // namespace
