#include "reader/KokoroVoice.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(KokoroVoiceTest, TableKeepsItsOrderDefaultAndOddName) {
    const QList<KokoroVoice>& all = KokoroVoice::all();
    ASSERT_EQ(all.size(), 21);
    EXPECT_EQ(all.first(), (KokoroVoice{"af_heart", "Wren", "American, warm (default)"}));
    EXPECT_EQ(all[12], (KokoroVoice{"bm_lewis", "Jac", "British"}));
    EXPECT_EQ(all.last().id, QStringLiteral("pm_alex"));
}

TEST(KokoroVoiceTest, StoredChoiceCountsOnlyWhenItNamesAVoiceExactly) {
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    EXPECT_EQ(KokoroVoice::selectedID(defaults), QStringLiteral("af_heart"));
    const struct {
        QVariant stored;
        const char* expected;
    } rows[] = {
        {QStringLiteral("am_michael"), "am_michael"}, {QStringLiteral("AM_MICHAEL"), "af_heart"},
        {QStringLiteral("zz_nobody"), "af_heart"},    {QString(), "af_heart"},
        {42, "af_heart"},
    };
    for (const auto& row : rows) {
        defaults.set(QStringLiteral("readerVoice"), row.stored);
        EXPECT_EQ(KokoroVoice::selectedID(defaults), QLatin1String(row.expected)) << row.stored.toString().toStdString();
        EXPECT_EQ(defaults.value(QStringLiteral("readerVoice")), row.stored) << "the read never rewrites the setting";
    }
}

TEST(KokoroVoiceTest, NamedFallsBackToTheFirstRow) {
    EXPECT_EQ(KokoroVoice::named(QStringLiteral("bm_lewis")).flavor, QStringLiteral("British"));
    EXPECT_EQ(KokoroVoice::named(QStringLiteral("BM_LEWIS")).id, QStringLiteral("af_heart"));
    EXPECT_EQ(KokoroVoice::named(QString()).name, QStringLiteral("Wren"));
}

TEST(KokoroVoiceTest, LanguageListsCoverEveryVoiceOnceInTableOrder) {
    const QList<QList<KokoroVoice>> lists = {KokoroVoice::american(), KokoroVoice::british(), KokoroVoice::spanish(),
                                             KokoroVoice::french(),   KokoroVoice::italian(), KokoroVoice::portuguese()};
    const QList<qsizetype> sizes = {9, 4, 3, 1, 2, 2};
    QList<KokoroVoice> joined;
    for (qsizetype i = 0; i < lists.size(); ++i) {
        EXPECT_EQ(lists[i].size(), sizes[i]) << i;
        joined += lists[i];
    }
    EXPECT_EQ(joined, KokoroVoice::all());
}

TEST(KokoroVoiceTest, LanguageCodeIsTheKnownFirstLetterElseA) {
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("bf_emma")), QStringLiteral("b"));
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("pm_alex")), QStringLiteral("p"));
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("jf_alpha")), QStringLiteral("a"));
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("Bf_emma")), QStringLiteral("a"));
    EXPECT_EQ(KokoroVoice::languageCode(QString()), QStringLiteral("a"));
}

} // namespace
