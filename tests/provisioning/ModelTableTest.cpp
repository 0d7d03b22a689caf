#include "engine/ModelTable.h"
#include "support/ScopedEnvironment.h"

#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Where Debian's pocketsphinx-en-us puts the US English model.
constexpr auto kDebianModel = "/usr/share/pocketsphinx/model/en-us";

TEST(ModelTableTest, TableMatchesTheInstalledModelPackageAndOurConfig) {
    const ModelFiles files = ModelTable::files();
    ASSERT_FALSE(files.isEmpty());
    for (const ModelFile& file : files) {
        const QString source = file.name == QStringLiteral("config.json")
                                   ? QStringLiteral(QUORVANE_TEST_SOURCE "/../resources/engine-model/config.json")
                                   : QLatin1String(kDebianModel) + QLatin1Char('/') + file.name;
        const QFileInfo info(source);
        EXPECT_TRUE(info.isFile()) << file.name.toStdString();
        EXPECT_EQ(info.size(), file.size) << file.name.toStdString();
    }
    EXPECT_EQ(files.first().name, QStringLiteral("config.json"));
}

TEST(ModelTableTest, EnvironmentBaseComesFirstEvenWhenInvalid) {
    ScopedEnvironment env;
    env.unset(ModelTable::kBaseVariable);
    const QList<QUrl> plain = ModelTable::bases();
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_EQ(plain.first().toLocalFile(), ModelTable::distributionFolder());

    env.set(ModelTable::kBaseVariable, "::nonsense");
    const QList<QUrl> withVariable = ModelTable::bases();
    EXPECT_FALSE(withVariable.first().isValid());
    EXPECT_FALSE(ModelTable::address(withVariable.first(), QStringLiteral("config.json")).isValid());
    EXPECT_EQ(withVariable.mid(1), plain);
}

} // namespace
