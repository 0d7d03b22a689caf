#include "engine/RetiredModels.h"
#include "engine/MlxServer.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QByteArray engineLog() {
    QFile log(MlxServer::logFile());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

class RetiredModelsRunTest : public testing::Test {
protected:
    TempFolder models;
    TempFolder config;
    Defaults defaults{config.file(QStringLiteral("defaults.json"))};
    const QString name = RetiredModels::retired().first();
};

TEST_F(RetiredModelsRunTest, RemovesTheModelOnce) {
    models.write(name + "/weights/model.npz", "weights");
    models.write("parakeet-tdt-0.6b-v3-bf16/keep", "kept");

    RetiredModels::run(models.path(), defaults);

    EXPECT_FALSE(QFileInfo::exists(models.file(name)));
    EXPECT_EQ(models.read("parakeet-tdt-0.6b-v3-bf16/keep"), QByteArray("kept"));
    EXPECT_EQ(defaults.boolean("retiredModelsCleaned.v1"), true);
    EXPECT_TRUE(engineLog().contains("[quorvane] removed retired models: " + name.toUtf8() + "\n"));

    // It came back: a second launch leaves it alone.
    models.write(name + "/again", "x");
    RetiredModels::run(models.path(), defaults);
    EXPECT_TRUE(QFileInfo::exists(models.file(name + "/again")));
}

TEST_F(RetiredModelsRunTest, NothingToRemoveStillSetsTheFlagAndLogsNothing) {
    RetiredModels::run(models.path(), defaults);
    EXPECT_EQ(defaults.boolean("retiredModelsCleaned.v1"), true);
    EXPECT_FALSE(engineLog().contains("removed retired models"));
}

} // namespace
