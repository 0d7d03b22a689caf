#include "support/Defaults.h"
#include "support/FileModes.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class DefaultsTest : public testing::Test {
protected:
    TempFolder folder;
    QString path = folder.file(QStringLiteral("config/defaults.json"));
};

TEST_F(DefaultsTest, TypedReadsKeepTheStoredType) {
    folder.write(QStringLiteral("config/defaults.json"),
                 R"({"flagAsText":"true","flag":false,"whole":3,"fraction":3.5,"name":"slate",)"
                 R"("words":["a","b"],"mixed":["a",1],"map":{"k":1}})");
    Defaults defaults(path);

    EXPECT_EQ(defaults.boolean("flagAsText"), std::nullopt);
    EXPECT_TRUE(defaults.boolOr("flagAsText", true));
    EXPECT_EQ(defaults.boolean("flag"), false);
    EXPECT_TRUE(defaults.boolOr("missing", true));

    EXPECT_EQ(defaults.integer("whole"), 3);
    EXPECT_EQ(defaults.integer("fraction"), std::nullopt);
    EXPECT_EQ(defaults.intOr("fraction", 7), 7);
    EXPECT_EQ(defaults.integer("name"), std::nullopt);
    EXPECT_EQ(defaults.integer("flag"), std::nullopt);
    EXPECT_DOUBLE_EQ(defaults.doubleOr("fraction", 0), 3.5);

    EXPECT_EQ(defaults.string("name"), QStringLiteral("slate"));
    EXPECT_EQ(defaults.string("whole"), std::nullopt);
    EXPECT_EQ(defaults.stringList("words"), QStringList({"a", "b"}));
    EXPECT_EQ(defaults.stringList("mixed"), std::nullopt);
    EXPECT_EQ(defaults.map("map").value("k").toInt(), 1);
    EXPECT_TRUE(defaults.map("words").isEmpty());
}

TEST_F(DefaultsTest, WritesSurviveAReloadWithTheirTypes) {
    {
        Defaults defaults(path);
        defaults.set("flag", true);
        defaults.set("count", 12);
        defaults.set("seconds", 2.5);
        defaults.set("theme", QStringLiteral("cream"));
        defaults.set("list", QStringList{"x", "y"});
    }
    Defaults reloaded(path);
    EXPECT_EQ(reloaded.boolean("flag"), true);
    EXPECT_EQ(reloaded.integer("count"), 12);
    EXPECT_EQ(reloaded.number("seconds"), 2.5);
    EXPECT_EQ(reloaded.string("theme"), QStringLiteral("cream"));
    EXPECT_EQ(reloaded.stringList("list"), QStringList({"x", "y"}));
    // The same text is a valid file for any JSON reader.
    EXPECT_TRUE(QJsonDocument::fromJson(folder.read("config/defaults.json")).isObject());
}

TEST_F(DefaultsTest, AClearedStoreForgetsEverySettingAndNeverWritesAgain) {
    Defaults defaults(path);
    defaults.set("userName", QStringLiteral("Ada"));
    defaults.set("flag", true);
    defaults.clear();
    EXPECT_FALSE(defaults.contains("userName"));
    EXPECT_EQ(QJsonDocument::fromJson(folder.read("config/defaults.json")).object(), QJsonObject());
    // The folder goes, as the uninstaller removes it; a late write (a window's
    // frame at quit) and a removal live in memory and bring nothing back.
    ASSERT_TRUE(QDir(folder.file("config")).removeRecursively());
    QSignalSpy spy(&defaults, &Defaults::changed);
    defaults.set("windowFrame Main", QStringLiteral("AdnQ0AADAAA="));
    defaults.set("late", 1);
    defaults.remove("late");
    EXPECT_EQ(defaults.string("windowFrame Main"), QStringLiteral("AdnQ0AADAAA="));
    EXPECT_FALSE(defaults.contains("late"));
    EXPECT_EQ(spy.count(), 3);
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFileInfo::exists(folder.file("config")));
}

TEST_F(DefaultsTest, ChangedFiresOncePerWriteAndRemoval) {
    Defaults defaults(path);
    QSignalSpy spy(&defaults, &Defaults::changed);
    defaults.set("a", 1);
    defaults.set("a", 1);
    defaults.remove("a");
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("a"));
    EXPECT_FALSE(defaults.contains("a"));
}

TEST_F(DefaultsTest, HugeAndNonIntegralNumbersAreNotIntegers) {
    folder.write(QStringLiteral("config/defaults.json"), R"({"huge":1e300,"negative":-4})");
    Defaults defaults(path);
    EXPECT_EQ(defaults.integer("huge"), std::nullopt);
    EXPECT_EQ(defaults.integer("negative"), -4);
}

TEST_F(DefaultsTest, AnUnreadableFileReadsAsEmptyAndTheFirstWriteKeepsItAside) {
    const QByteArray damaged = R"({"appearance":"dark","keepDictationOnClipboard":fal)";
    folder.write(QStringLiteral("config/defaults.json"), damaged);
    Defaults defaults(path);
    EXPECT_FALSE(defaults.contains("appearance"));
    EXPECT_TRUE(defaults.boolOr("keepDictationOnClipboard", true));

    defaults.set("numberStyle", QStringLiteral("digits"));
    const QStringList aside = QDir(folder.file("config")).entryList({QStringLiteral("defaults.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(folder.read("config/" + aside.first()), damaged);
    const QJsonDocument written = QJsonDocument::fromJson(folder.read("config/defaults.json"));
    ASSERT_TRUE(written.isObject());
    EXPECT_EQ(written.object().value("numberStyle").toString(), QStringLiteral("digits"));

    // The new file is good, so later writes leave it in place.
    defaults.remove("numberStyle");
    defaults.set("endWithPeriod", true);
    EXPECT_EQ(QDir(folder.file("config")).entryList({QStringLiteral("defaults.json.unreadable-*")}).size(), 1);
    EXPECT_EQ(Defaults(path).boolean("endWithPeriod"), true);
}

TEST_F(DefaultsTest, AFileDamagedWhileRunningIsKeptAsideToo) {
    Defaults defaults(path);
    defaults.set("a", 1);
    folder.write(QStringLiteral("config/defaults.json"), "[1, 2");
    defaults.set("b", 2);
    const QStringList aside = QDir(folder.file("config")).entryList({QStringLiteral("defaults.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(folder.read("config/" + aside.first()), QByteArray("[1, 2"));
    EXPECT_EQ(Defaults(path).integer("b"), 2);
}

TEST_F(DefaultsTest, TheSettingsFileIsTheUsersAloneAndAnOpenOneIsNarrowedByTheNextWrite) {
    const ScopedUmask desktop;
    {
        Defaults defaults(path);
        defaults.set(QStringLiteral("trustedPhones"), QStringList{QStringLiteral("my-phone")});
    }
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), 0700);

    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    Defaults defaults(path);
    EXPECT_EQ(defaults.stringList(QStringLiteral("trustedPhones")), QStringList{QStringLiteral("my-phone")});
    defaults.set(QStringLiteral("phoneLinkEnabled"), false);
    EXPECT_EQ(modeOf(path), 0600);
    defaults.remove(QStringLiteral("phoneLinkEnabled"));
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(Defaults(path).stringList(QStringLiteral("trustedPhones")), QStringList{QStringLiteral("my-phone")});
}

} // namespace
