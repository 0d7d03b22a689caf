#include "translation/LanguageTableView.h"

#include "support/Artifacts.h"
#include "support/Await.h"
#include "support/FakePlatform.h"
#include "support/QtPrinting.h"
#include "support/RenderCheck.h"
#include "translator/TranslationCatalog.h"

#include <QLabel>
#include <QLocale>
#include <QThread>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

using LanguageTable::Row;

class LanguageTableTest : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QStringLiteral("en_US"))); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

QStringList ids(const QList<Row>& rows) {
    QStringList out;
    for (const Row& row : rows)
        out << row.id;
    return out;
}

TEST_F(LanguageTableTest, ReadingNeedsAnOwnVoiceOrADesktopVoiceOfTheBase) {
    const QSet<QString> voices{QStringLiteral("de"), QStringLiteral("zh")};
    EXPECT_TRUE(LanguageTable::canRead(QStringLiteral("es"), {}));
    EXPECT_TRUE(LanguageTable::canRead(QStringLiteral("de"), voices));
    EXPECT_TRUE(LanguageTable::canRead(QStringLiteral("zh-Hant"), voices));
    EXPECT_FALSE(LanguageTable::canRead(QStringLiteral("ja"), voices));
    // Own voices match exactly, not by base.
    EXPECT_FALSE(LanguageTable::canRead(QStringLiteral("pt-BR"), {}));
}

TEST_F(LanguageTableTest, CompleteRowsComeFirstEachBlockInNameOrder) {
    const QList<Row> rows =
        LanguageTable::build({QStringLiteral("de"), QStringLiteral("ja")}, TranslationCatalog::candidates());
    // With every candidate translated into, all three: the own-voice languages
    // of the candidates, and German.
    EXPECT_EQ(LanguageTable::completeCount(rows), 6);
    EXPECT_EQ(ids(rows).mid(0, 6), (QStringList{"en", "fr", "de", "it", "pt", "es"}));
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (i == 6)
            continue;
        EXPECT_LT(rows.at(i - 1).name, rows.at(i).name) << i;
    }
    const Row japanese = rows.at(ids(rows).indexOf("ja"));
    EXPECT_EQ(japanese, (Row{"ja", "Japanese", false, true, true, false}));
    const Row bulgarian = rows.at(ids(rows).indexOf("bg"));
    EXPECT_EQ(bulgarian, (Row{"bg", "Bulgarian", true, false, false, false}));
}

TEST_F(LanguageTableTest, TranslateIsTickedOnlyForLanguagesAnInstalledPairTranslatesInto) {
    ScopedFakePlatform fakes;
    fakes.onDeviceTranslator.setPair(QStringLiteral("en"), QStringLiteral("es"),
                                     OnDeviceTranslator::PairStatus::Installed);
    fakes.onDeviceTranslator.setPair(QStringLiteral("de"), QStringLiteral("en"),
                                     OnDeviceTranslator::PairStatus::Installed);
    fakes.onDeviceTranslator.setPair(QStringLiteral("en"), QStringLiteral("fr"),
                                     OnDeviceTranslator::PairStatus::Supported);
    ASSERT_TRUE(awaitFuture(TranslationCatalog::shared().refresh(true)));

    LanguageTableView view;
    view.show();
    // The rows are made as the view shows, and laid out after.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QWidget* first = view.findChild<QWidget*>(QStringLiteral("line:en"));
        return first && first->height() >= first->sizeHint().height();
    }));
    QStringList ticked;
    for (const Row& row : view.rows())
        if (row.translate)
            ticked << row.id;
    ticked.sort();
    EXPECT_EQ(ticked, (QStringList{"en", "es"}));
    EXPECT_EQ(view.findChild<QLabel*>("subtitle")->text(), "The first 2 do everything. Find yours and read across.");
    Artifacts::save(view.grab().toImage(), QStringLiteral("language-table-two-pairs.png"));
    RenderCheck::expectReadable(view, QStringLiteral("language-table with two pairs"));
}

// The widgets of the scrolled list, top to bottom: "line:<id>" or "separator".
QStringList listed(const LanguageTableView& view) {
    QList<QWidget*> widgets;
    for (QWidget* widget : view.findChildren<QWidget*>())
        if (widget->objectName().startsWith("line:") || widget->objectName() == "separator")
            widgets << widget;
    std::sort(widgets.begin(), widgets.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    QStringList out;
    for (const QWidget* widget : widgets)
        out << widget->objectName();
    return out;
}

TEST_F(LanguageTableTest, TheSeparatorFollowsTheLastCompleteRow) {
    LanguageTableView view;
    view.fill(LanguageTable::build({QStringLiteral("de")}, TranslationCatalog::candidates()));
    view.show();
    EXPECT_EQ(listed(view).indexOf("separator"), 6);
    EXPECT_EQ(view.findChild<QLabel*>("subtitle")->text(), "The first 6 do everything. Find yours and read across.");
    // Kept while the view lives.
    view.fill(LanguageTable::build({}, {}));
    EXPECT_EQ(LanguageTable::completeCount(view.rows()), 6);
    Artifacts::save(view.grab().toImage(), QStringLiteral("language-table.png"));
    RenderCheck::expectReadable(view, QStringLiteral("language-table"));
}

TEST_F(LanguageTableTest, NoCompleteRowMeansNoSeparatorAndAllCompletePutsItLast) {
    QList<Row> none = {{"bg", "Bulgarian", true, false, false, false}, {"ja", "Japanese", false, true, true, false}};
    LanguageTableView empty;
    empty.fill(none);
    EXPECT_FALSE(listed(empty).contains("separator"));
    EXPECT_EQ(empty.findChild<QLabel*>("subtitle")->text(), "The first 0 do everything. Find yours and read across.");

    QList<Row> all = {{"en", "English", true, true, true, true}, {"es", "Spanish", true, true, true, true}};
    LanguageTableView full;
    full.fill(all);
    full.show();
    EXPECT_EQ(listed(full), (QStringList{"line:en", "line:es", "separator"}));
}

// Each question to the desktop's synthesizer waits for speech-dispatcher:
// the first show asks them on a worker and fills the table when they answer.
TEST_F(LanguageTableTest, TheFirstShowAsksTheDesktopVoicesOffTheGuiThread) {
    ScopedFakePlatform platform;
    platform.systemSpeech.installed = {{"de-DE/anna", "anna", "de-DE", 1}};
    LanguageTableView view;
    view.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.rows().isEmpty(); }, 5000));
    // The desktop's German voice reads German.
    const QList<Row> rows = view.rows();
    EXPECT_TRUE(rows.at(ids(rows).indexOf("de")).read);
    ASSERT_FALSE(platform.systemSpeech.askedOn.isEmpty());
    for (QThread* thread : platform.systemSpeech.askedOn)
        EXPECT_NE(thread, view.thread());
}

} // namespace
