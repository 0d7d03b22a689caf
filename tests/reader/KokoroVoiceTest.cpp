#include "reader/KokoroVoice.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(KokoroVoiceTest, StoredChoiceCountsOnlyWhenItNamesAVoiceExactly) {
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    EXPECT_EQ(KokoroVoice::selectedID(defaults), QStringLiteral("af_heart"));
    const struct {
        QVariant stored;
        const char* expected;
    } rows[] = {
        {QStringLiteral("am_michael"), "am_michael"},
        {QStringLiteral("AM_MICHAEL"), "af_heart"},
        {QStringLiteral("zz_nobody"), "af_heart"},
        {42, "af_heart"},
    };
    for (const auto& row : rows) {
        defaults.set(QStringLiteral("readerVoice"), row.stored);
        EXPECT_EQ(KokoroVoice::selectedID(defaults), QLatin1String(row.expected))
            << row.stored.toString().toStdString();
        EXPECT_EQ(defaults.value(QStringLiteral("readerVoice")), row.stored) << "the read never rewrites the setting";
    }
    EXPECT_EQ(KokoroVoice::named(QStringLiteral("bm_lewis")).id, QStringLiteral("bm_lewis"));
    EXPECT_EQ(KokoroVoice::named(QStringLiteral("BM_LEWIS")).id, QStringLiteral("af_heart"));
}

TEST(KokoroVoiceTest, LanguageListsCoverEveryVoiceOnceInTableOrder) {
    const QList<QList<KokoroVoice>> lists = {KokoroVoice::american(), KokoroVoice::british(),
                                             KokoroVoice::spanish(),  KokoroVoice::french(),
                                             KokoroVoice::italian(),  KokoroVoice::portuguese()};
    QList<KokoroVoice> joined;
    for (const QList<KokoroVoice>& list : lists) {
        EXPECT_FALSE(list.isEmpty());
        joined += list;
    }
    EXPECT_EQ(joined, KokoroVoice::all());
}

TEST(KokoroVoiceTest, LanguageCodeIsTheKnownFirstLetterElseA) {
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("pm_alex")), QStringLiteral("p"));
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("jf_alpha")), QStringLiteral("a"));
    EXPECT_EQ(KokoroVoice::languageCode(QStringLiteral("Bf_emma")), QStringLiteral("a"));
    EXPECT_EQ(KokoroVoice::languageCode(QString()), QStringLiteral("a"));
}

} // namespace
