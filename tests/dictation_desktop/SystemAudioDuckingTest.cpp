// Ducks and restores the harness's PulseAudio null speaker for real.
#include "dictation/ProgramAudio.h"
#include "dictation/SystemAudio.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/ChildRole.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <optional>

#include <gtest/gtest.h>

namespace {

bool underHarness() { return !qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"); }
const char* const kNoHarness = "run through scripts/run-tests.sh, which starts PulseAudio with a null speaker";
// Where a ducking child keeps its record of the user's volume.
constexpr const char* kRecordVariable = "QV_DUCK_RECORD";
constexpr int kCrashExitCode = 3;

// Ducks the speaker, then quits the normal way.
const bool quitRole = ChildRole::add(QStringLiteral("duck-then-quit"), [] {
    LinuxPlatform platform;
    Platform::install(platform.services());
    ProgramAudio program;
    program.audio().duck();
    program.audio().finishPending();
    if (!program.audio().savedVolume())
        return 1;
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
});

// Ducks the speaker, then dies without a word.
const bool crashRole = ChildRole::add(QStringLiteral("duck-then-crash"), [] {
    LinuxPlatform platform;
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    SystemAudio audio(platform.services().outputVolume, &defaults, qEnvironmentVariable(kRecordVariable));
    audio.duck();
    if (!audio.savedVolume())
        return 1;
    std::_Exit(kCrashExitCode);
});

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

    // Runs this test program again in `role`, which ducks the speaker and
    // keeps its record of the user's volume in `record()`.
    void runChild(const QString& role, int expectedExitCode) {
        QProcess child;
        QProcessEnvironment environment;
        environment.insert(QString::fromLatin1(kRecordVariable), record());
        ChildRole::start(child, role, environment);
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), expectedExitCode) << child.readAll().toStdString();
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

// Runs pactl with `arguments`; its output, none when it failed.
std::optional<QString> pactl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A second output, as headphones plugged in mid-take are: it becomes the
// default while it is there, and the speaker is the default again after.
class PluggedHeadphones {
public:
    static constexpr const char* kName = "phones";
    PluggedHeadphones()
        : m_module(pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                          QStringLiteral("sink_name=") + QLatin1String(kName)})) {}
    ~PluggedHeadphones() {
        if (m_module)
            pactl({QStringLiteral("unload-module"), *m_module});
        pactl({QStringLiteral("set-default-sink"), QStringLiteral("spk")});
    }
    bool makeDefault() const {
        return m_module && pactl({QStringLiteral("set-default-sink"), QLatin1String(kName)}).has_value();
    }

private:
    std::optional<QString> m_module;
};

TEST_F(SystemAudioDuckingTest, SwitchingToHeadphonesMidTakeStillBringsTheSpeakerBack) {
    SystemAudio audio(volume, &defaults, record());
    audio.duck();
    ASSERT_EQ(volume->volume(speaker), OutputVolume::ChannelVolumes(userVolume.size(), 0.0));
    PluggedHeadphones headphones;
    ASSERT_TRUE(headphones.makeDefault());
    ASSERT_EQ(volume->defaultOutputDevice(), QString::fromLatin1(PluggedHeadphones::kName));
    const std::optional<OutputVolume::ChannelVolumes> headphonesBefore =
        volume->volume(QString::fromLatin1(PluggedHeadphones::kName));
    ASSERT_TRUE(headphonesBefore);

    audio.restore();
    EXPECT_EQ(volume->volume(speaker), userVolume);
    EXPECT_EQ(volume->volume(QString::fromLatin1(PluggedHeadphones::kName)), headphonesBefore);
}

TEST_F(SystemAudioDuckingTest, QuittingWhileDuckedRestores) {
    runChild(QStringLiteral("duck-then-quit"), 0);
    EXPECT_EQ(volume->volume(speaker), userVolume);
}

TEST_F(SystemAudioDuckingTest, ACrashWhileDuckedIsMendedAtTheNextLaunch) {
    runChild(QStringLiteral("duck-then-crash"), kCrashExitCode);
    ASSERT_EQ(volume->volume(speaker), OutputVolume::ChannelVolumes(userVolume.size(), 0.0))
        << "the child did not duck";
    SystemAudio nextLaunch(volume, &defaults, record());
    nextLaunch.restoreLeftover();
    EXPECT_EQ(volume->volume(speaker), userVolume);
}

} // namespace
