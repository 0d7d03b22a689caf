#include "app/Migration.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class MigrationTest : public testing::Test {
protected:
    TempFolder support;
    TempFolder config;
    Defaults defaults{config.file(QStringLiteral("defaults.json"))};

    void writePrefs(const QByteArray& json) { support.write(QStringLiteral("Quorvane/engine-prefs.json"), json); }
    void run() { Migration::runIfNeeded(defaults, support.path()); }
};

TEST_F(MigrationTest, ImportsBothEngineChoicesAndCreatesTheDataFolder) {
    writePrefs(R"({"ttsEngine":"kokoro","sttEngine":"parakeet","other":1})");
    run();
    EXPECT_EQ(defaults.string("ttsEngine"), QStringLiteral("kokoro"));
    EXPECT_EQ(defaults.string("sttEngine"), QStringLiteral("parakeet"));
    EXPECT_FALSE(defaults.contains("other"));
    EXPECT_EQ(defaults.boolean("migratedFromElectron"), true);
    EXPECT_TRUE(QFileInfo(support.file(QStringLiteral("Quorvane Native"))).isDir());
}

TEST_F(MigrationTest, RunsOnlyOnceEvenWhenTheFirstRunFoundNothingButAFlagStoredAsTextIsNotDone) {
    run();
    EXPECT_EQ(defaults.boolean("migratedFromElectron"), true);
    writePrefs(R"({"sttEngine":"parakeet"})");
    run();
    EXPECT_FALSE(defaults.contains("sttEngine"));

    defaults.set("migratedFromElectron", QStringLiteral("true"));
    run();
    EXPECT_EQ(defaults.string("sttEngine"), QStringLiteral("parakeet"));
}

TEST_F(MigrationTest, ImportsOnlyTheMembersThatAreTexts) {
    defaults.set("ttsEngine", QStringLiteral("kept"));
    writePrefs(R"({"sttEngine":"whisper","ttsEngine":42})");
    run();
    EXPECT_EQ(defaults.string("sttEngine"), QStringLiteral("whisper"));
    EXPECT_EQ(defaults.string("ttsEngine"), QStringLiteral("kept"));
}

TEST_F(MigrationTest, IgnoresArraysAndBrokenFiles) {
    writePrefs(R"([{"sttEngine":"whisper"}])");
    run();
    EXPECT_FALSE(defaults.contains("sttEngine"));
    EXPECT_EQ(defaults.boolean("migratedFromElectron"), true);

    TempFolder otherConfig;
    Defaults fresh(otherConfig.file(QStringLiteral("defaults.json")));
    writePrefs("{\"sttEngine\":");
    Migration::runIfNeeded(fresh, support.path());
    EXPECT_FALSE(fresh.contains("sttEngine"));
    EXPECT_EQ(fresh.boolean("migratedFromElectron"), true);
}

} // namespace
