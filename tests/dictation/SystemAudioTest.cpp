#include "dictation/SystemAudio.h"
#include "support/Defaults.h"
#include "support/FakeOutputVolume.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kSetting = QStringLiteral("pauseAudioWhileDictating");
const QString kSpeakers = QStringLiteral("speakers");

class SystemAudioTest : public testing::Test {
protected:
    SystemAudioTest() {
        output.defaultDevice = kSpeakers;
        output.volumes[kSpeakers] = {0.75, 0.5};
    }
    SystemAudio make() { return SystemAudio(&output, &defaults, record()); }
    QString record() const { return folder.path() + QStringLiteral("/state/ducked-volume.json"); }

    TempFolder folder;
    Defaults defaults{folder.path() + QStringLiteral("/defaults.json")};
    FakeOutputVolume output;
};

TEST_F(SystemAudioTest, DuckSilencesEveryChannelAndRestoreBringsEachBack) {
    SystemAudio audio = make();
    audio.duck();
    audio.duck(); // a second duck keeps the user's own volume, not the silence
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.0, 0.0}));
    EXPECT_EQ(audio.savedVolume(), (OutputVolume::ChannelVolumes{0.75, 0.5}));
    EXPECT_TRUE(QFile::exists(record()));

    audio.restore();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));
    EXPECT_FALSE(audio.savedVolume());
    EXPECT_FALSE(QFile::exists(record()));
    const int writes = output.writes;
    audio.restore(); // nothing saved: nothing written
    EXPECT_EQ(output.writes, writes);
}

TEST_F(SystemAudioTest, TheSettingTurnsDuckingOffOnlyWhenItIsTheBooleanFalse) {
    defaults.set(kSetting, false);
    SystemAudio audio = make();
    audio.duck();
    EXPECT_FALSE(audio.savedVolume());
    EXPECT_EQ(output.writes, 0);

    defaults.set(kSetting, QStringLiteral("false")); // text, not a Boolean
    audio.duck();
    EXPECT_TRUE(audio.savedVolume());
    audio.restore();

    defaults.remove(kSetting);
    audio.duck();
    EXPECT_TRUE(audio.savedVolume());
}

TEST_F(SystemAudioTest, AnAlmostSilentOutputIsLeftAlone) {
    output.volumes[kSpeakers] = {0.0005, 0.001};
    SystemAudio audio = make();
    audio.duck();
    EXPECT_FALSE(audio.savedVolume());
    EXPECT_EQ(output.writes, 0);
    audio.restore();
    EXPECT_EQ(output.writes, 0);
    EXPECT_FALSE(QFile::exists(record()));
}

TEST_F(SystemAudioTest, UnreadableOutputsEndQuietly) {
    SystemAudio audio = make();
    output.failReads = true;
    audio.duck();
    EXPECT_FALSE(audio.savedVolume());
    output.failReads = false;

    audio.duck();
    // The sound server does not answer at all: kept for a later try.
    output.defaultDevice.reset();
    output.failReads = true;
    output.refuseWrites = true;
    audio.restore();
    EXPECT_TRUE(audio.savedVolume());
    output.defaultDevice = kSpeakers;
    output.failReads = false;
    audio.restore(); // the output refused: still silent, so kept as well
    EXPECT_TRUE(audio.savedVolume());
    EXPECT_TRUE(QFile::exists(record()));
    output.refuseWrites = false;
    audio.restore();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));
    EXPECT_FALSE(QFile::exists(record()));
}

TEST_F(SystemAudioTest, TheVolumeGoesBackToTheDuckedOutputWhicheverIsDefaultAtRestore) {
    const QString headphones = QStringLiteral("headphones");
    SystemAudio audio = make();
    audio.duck();
    // Headphones plugged in mid-take become the default output.
    output.volumes[headphones] = {0.1, 0.1, 0.1};
    output.defaultDevice = headphones;
    audio.restore();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));
    EXPECT_EQ(output.volumes[headphones], (OutputVolume::ChannelVolumes{0.1, 0.1, 0.1}));
    EXPECT_FALSE(QFile::exists(record()));

    // A run that ended while ducked: the next launch mends the speakers too.
    output.defaultDevice = kSpeakers;
    make().duck();
    output.defaultDevice = headphones;
    make().restoreLeftover();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));
    EXPECT_EQ(output.volumes[headphones], (OutputVolume::ChannelVolumes{0.1, 0.1, 0.1}));
}

TEST_F(SystemAudioTest, AnOutputUnpluggedWhileDuckedIsForgottenAndTheNextTakeDucksAgain) {
    const QString headset = QStringLiteral("headset");
    output.volumes[headset] = {0.6};
    output.defaultDevice = headset;
    SystemAudio audio = make();
    audio.duck();
    output.volumes.remove(headset);
    output.defaultDevice = kSpeakers;
    audio.restore();
    EXPECT_FALSE(audio.savedVolume());
    EXPECT_FALSE(QFile::exists(record()));

    audio.duck();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.0, 0.0}));
    audio.restore();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));
}

TEST_F(SystemAudioTest, ARunThatEndedWhileDuckedIsRestoredAtTheNextLaunch) {
    {
        SystemAudio crashed = make();
        crashed.duck();
    } // never restored
    ASSERT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.0, 0.0}));

    SystemAudio next = make();
    next.restoreLeftover();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));
    EXPECT_FALSE(QFile::exists(record()));
    EXPECT_FALSE(next.savedVolume());
}

TEST_F(SystemAudioTest, AVolumeTheUserSetSinceTheCrashStays) {
    make().duck();
    output.volumes[kSpeakers] = {0.3, 0.3};
    make().restoreLeftover();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.3, 0.3}));
    EXPECT_FALSE(QFile::exists(record()));
}

TEST_F(SystemAudioTest, ALeftoverRecordWaitsForAReadableOutputAndBadRecordsAreDropped) {
    make().duck();
    // The sound server does not answer yet.
    output.defaultDevice.reset();
    output.failReads = true;
    make().restoreLeftover();
    EXPECT_TRUE(QFile::exists(record()));
    output.defaultDevice = kSpeakers;
    output.failReads = false;
    make().restoreLeftover();
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.75, 0.5}));

    QFile garbage(record());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("{not json");
    garbage.close();
    output.volumes[kSpeakers] = {0.0, 0.0};
    make().restoreLeftover();
    EXPECT_FALSE(QFile::exists(record()));
    EXPECT_EQ(output.volumes[kSpeakers], (OutputVolume::ChannelVolumes{0.0, 0.0}));
}

} // namespace
