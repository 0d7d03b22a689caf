#include "engine/MlxServer.h"
#include "engine/RetiredModels.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QProcessEnvironment environment(std::initializer_list<std::pair<QString, QString>> values) {
    QProcessEnvironment env;
    for (const auto& [name, value] : values)
        env.insert(name, value);
    return env;
}

QByteArray engineLog() {
    QFile log(MlxServer::logFile());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

TEST(RetiredModelsTest, HubCacheFollowsTheEnvironment) {
    EXPECT_EQ(RetiredModels::hubCache(environment({{"HF_HUB_CACHE", "/c/hub"}, {"HF_HOME", "/h"}}), "/home/u"),
              QStringLiteral("/c/hub"));
    EXPECT_EQ(RetiredModels::hubCache(environment({{"HF_HUB_CACHE", ""}, {"HF_HOME", "/h"}}), "/home/u"),
              QStringLiteral("/h/hub"));
    EXPECT_EQ(RetiredModels::hubCache(environment({{"HF_HOME", ""}}), "/home/u"),
              QStringLiteral("/home/u/.cache/huggingface/hub"));
}

class RetiredModelsRunTest : public testing::Test {
protected:
    TempFolder cache;
    TempFolder config;
    Defaults defaults{config.file(QStringLiteral("defaults.json"))};
    const QString name = RetiredModels::retired().first();
};

TEST_F(RetiredModelsRunTest, RemovesTheModelAndItsLocksOnce) {
    cache.write(name + "/snapshots/x/model.safetensors", "weights");
    cache.write(".locks/" + name + "/a.lock", "");
    cache.write("models--other/keep", "kept");

    RetiredModels::run(cache.path(), defaults);

    EXPECT_FALSE(QFileInfo::exists(cache.file(name)));
    EXPECT_FALSE(QFileInfo::exists(cache.file(".locks/" + name)));
    EXPECT_EQ(cache.read("models--other/keep"), QByteArray("kept"));
    EXPECT_EQ(defaults.boolean("retiredModelsCleaned.v1"), true);
    EXPECT_TRUE(engineLog().contains("[quorvane] removed retired models: " + name.toUtf8() + "\n"));

    // It came back: a second launch leaves it alone.
    cache.write(name + "/again", "x");
    RetiredModels::run(cache.path(), defaults);
    EXPECT_TRUE(QFileInfo::exists(cache.file(name + "/again")));
}

TEST_F(RetiredModelsRunTest, NothingToRemoveStillSetsTheFlagAndLogsNothing) {
    RetiredModels::run(cache.path(), defaults);
    EXPECT_EQ(defaults.boolean("retiredModelsCleaned.v1"), true);
    EXPECT_FALSE(engineLog().contains("removed retired models"));
}

} // namespace
