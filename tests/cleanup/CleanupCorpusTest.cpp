// Runs the dictation corpus: one TSV file per pass under corpus/, each row a
// dictated input and the text the pass must give for it.
#include "cleanup/Bullets.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/SpokenAddresses.h"
#include "cleanup/TextCleanup.h"
#include "engine/LlmServer.h"
#include "support/Await.h"
#include "support/Defaults.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Row {
    int line = 0;
    QStringList fields;
};

QString unescape(QString field) { return field.replace(QStringLiteral("\\n"), QStringLiteral("\n")); }

QList<Row> corpus(const QString& name, int columns) {
    const QString path = QStringLiteral(QUORVANE_TEST_SOURCE "/cleanup/corpus/") + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QList<Row> rows;
    int line = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        ++line;
        if (raw.isEmpty() || raw.startsWith('#'))
            continue;
        Row row{line, QString::fromUtf8(raw).split(QLatin1Char('\t'))};
        EXPECT_EQ(row.fields.size(), columns) << name.toStdString() << ':' << line;
        for (QString& field : row.fields)
            field = unescape(field);
        if (row.fields.size() == columns)
            rows << row;
    }
    EXPECT_FALSE(rows.isEmpty());
    return rows;
}

std::string where(const char* file, const Row& row) { return std::string(file) + ':' + std::to_string(row.line); }

// The number style named in a row's first field; a name that is no style fails the row.
NumberStyle styleOf(const char* file, const Row& row) {
    const NumberStyle style = numberStyleFromString(row.fields[0]);
    EXPECT_EQ(toString(style), row.fields[0]) << where(file, row) << ": no such number style";
    return style;
}

TEST(CleanupCorpusTest, Fillers) {
    for (const Row& row : corpus(QStringLiteral("fillers.tsv"), 2))
        EXPECT_EQ(CleanupEngine::stripFillers(row.fields[0]).toStdString(), row.fields[1].toStdString())
            << where("fillers.tsv", row);
}

TEST(CleanupCorpusTest, SpokenEmailAddresses) {
    for (const Row& row : corpus(QStringLiteral("emails.tsv"), 2))
        EXPECT_EQ(CleanupEngine::normalizeSpokenEmails(row.fields[0]).toStdString(), row.fields[1].toStdString())
            << where("emails.tsv", row);
}

TEST(CleanupCorpusTest, SpokenSiteNames) {
    for (const Row& row : corpus(QStringLiteral("sites.tsv"), 2))
        EXPECT_EQ(SpokenAddresses::writeSiteNames(row.fields[0]).toStdString(), row.fields[1].toStdString())
            << where("sites.tsv", row);
}

// The stop of a dictation without a model: numbers and post-processing of the
// transcript, then the cleanup, which takes its rules path. Each row of `file`
// is a number style, what was said and what is typed. "Clean up" of the typed
// text, as of an inserted dictation, changes nothing.
void checkRulesPathOfADictation(const char* file) {
    CleanupEngine engine(Defaults::shared(), LlmServer::shared());
    for (const Row& row : corpus(QString::fromUtf8(file), 3)) {
        const NumberStyle style = styleOf(file, row);
        const QString transcript = TextCleanup::postProcess(CleanupEngine::digitizeNumbers(row.fields[1], style));
        const CleanupEngine::Result result = awaitResult(engine.clean(transcript, false, {}, style, true));
        EXPECT_EQ(result.text.toStdString(), row.fields[2].toStdString())
            << where(file, row) << " (" << row.fields[0].toStdString() << ", " << toString(result.way).toStdString()
            << ')';
        const CleanupEngine::Result again = awaitResult(engine.clean(result.text, false, {}, style, true));
        EXPECT_EQ(again.text.toStdString(), result.text.toStdString())
            << where(file, row) << ": cleaned again (" << row.fields[0].toStdString() << ')';
    }
}

TEST(CleanupCorpusTest, RulesPathOfADictation) { checkRulesPathOfADictation("dictated.tsv"); }

TEST(CleanupCorpusTest, OrdinarySentencesKeepTheirWords) { checkRulesPathOfADictation("ordinary.tsv"); }

// Marks inside words, numbers and quotes, on the road of a typed selection:
// the whole cleanup, which takes its rules path. "Clean up" of what it gave
// changes nothing.
TEST(CleanupCorpusTest, PunctuationTheCleanupKeeps) {
    CleanupEngine engine(Defaults::shared(), LlmServer::shared());
    for (const Row& row : corpus(QStringLiteral("punctuation.tsv"), 2)) {
        const CleanupEngine::Result result =
            awaitResult(engine.clean(row.fields[0], false, {}, NumberStyle::Smart, true));
        EXPECT_EQ(result.text.toStdString(), row.fields[1].toStdString())
            << where("punctuation.tsv", row) << " (" << toString(result.way).toStdString() << ')';
        const CleanupEngine::Result again = awaitResult(engine.clean(result.text, false, {}, NumberStyle::Smart, true));
        EXPECT_EQ(again.text.toStdString(), result.text.toStdString())
            << where("punctuation.tsv", row) << " cleaned again (" << toString(again.way).toStdString() << ')';
    }
}

TEST(CleanupCorpusTest, BulletsAndCountedLists) {
    for (const Row& row : corpus(QStringLiteral("bullets.tsv"), 2))
        EXPECT_EQ(Bullets::applyEnumeration(Bullets::applyCommands(row.fields[0])).toStdString(),
                  row.fields[1].toStdString())
            << where("bullets.tsv", row);
}

TEST(CleanupCorpusTest, SpokenNumbersInEachStyle) {
    for (const Row& row : corpus(QStringLiteral("numbers.tsv"), 3))
        EXPECT_EQ(CleanupEngine::digitizeNumbers(row.fields[1], styleOf("numbers.tsv", row)).toStdString(),
                  row.fields[2].toStdString())
            << where("numbers.tsv", row) << " (" << row.fields[0].toStdString() << ')';
}

TEST(CleanupCorpusTest, RulesOnlyCleanOfWholeTranscripts) {
    for (const Row& row : corpus(QStringLiteral("rules-only.tsv"), 3))
        EXPECT_EQ(CleanupEngine::rulesOnlyClean(row.fields[1], styleOf("rules-only.tsv", row), true).toStdString(),
                  row.fields[2].toStdString())
            << where("rules-only.tsv", row) << " (" << row.fields[0].toStdString() << ')';
}

} // namespace
