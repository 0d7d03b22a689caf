#include "engine/EnginePackage.h"
#include "engine/ModelDownload.h"
#include "engine/ModelTable.h"
#include "support/Await.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// The build's own distribution folder, served as the project's base.
QString distributionBase() { return QUrl::fromLocalFile(ModelTable::distributionFolder()).toString(); }

TEST(DistributionTest, BuildArchiveInstallsAWorkingEnvironmentWithoutOutsideLinks) {
    TempFolder home;
    TempFolder engine;
    ScopedEnvironment env("XDG_DATA_HOME", home.path().toUtf8());
    const QString into = engine.file(QStringLiteral("mlx-venv"));
    EnginePackage package(into, {distributionBase()});
    ASSERT_TRUE(awaitResult(package.install(), 60000));
    QFile config(into + QStringLiteral("/pyvenv.cfg"));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray text = config.readAll();
    EXPECT_TRUE(text.contains(into.toUtf8())) << text.toStdString();
    EXPECT_FALSE(text.contains(EnginePackage::kPlaceholder));
    QDirIterator it(into, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (entry.isSymLink()) {
            EXPECT_TRUE(entry.canonicalFilePath().startsWith(QFileInfo(into).canonicalFilePath()))
                << entry.filePath().toStdString();
        }
    }
}

TEST(DistributionTest, BuildDistributionServesTheWholeModelTable) {
    TempFolder models;
    ModelDownload download(models.path(), ModelTable::files(), {distributionBase()});
    ASSERT_TRUE(awaitResult(download.run(false), 60000)) << download.lastError().toStdString();
    EXPECT_TRUE(ModelDownload::complete(models.path(), ModelTable::files()));
    EXPECT_FALSE(QFileInfo(models.file(QStringLiteral("en-us/mdef"))).isSymLink());
}

} // namespace
