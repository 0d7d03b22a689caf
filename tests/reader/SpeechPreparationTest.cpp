#include "reader/SpeechPreparation.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* input;
    const char* expected;
    const char* language = nullptr; // what the detector says, none when unsure
};

QString prepared(const Row& row, const QList<ReadAloudEntry>& entries = {}) {
    const QString language = row.language ? QString::fromUtf8(row.language) : QString();
    return SpeechPreparation::applyPronunciations(QString::fromUtf8(row.input), entries,
                                                  [language](const QString&) -> std::optional<QString> {
                                                      if (language.isEmpty())
                                                          return std::nullopt;
                                                      return language;
                                                  });
}

void expectRows(std::initializer_list<Row> rows) {
    for (const Row& row : rows)
        EXPECT_EQ(prepared(row), QString::fromUtf8(row.expected)) << "input: " << row.input;
}

TEST(SpeechPreparationTest, StreetAbbreviationsKeepASentencePeriodOnlyWhereOneBelongs) {
    expectRows({
        {"Meet at 12 Oak St.", "Meet at 12 Oak Street."},
        {"12 Oak St. apt 4", "12 Oak Street apt 4"},
        {"12 Oak St. Suite 5", "12 Oak Street. Suite 5"},
        {"Main St. Tomorrow", "Main Saint Tomorrow"},
        {"St. John's is near", "Saint John's is near"},
        {"Take Hwy 101 to 5th Ave", "Take Highway 101 to 5th Ave"},
        {"Sunset Blvd.\nnext line", "Sunset Boulevard.\nnext line"},
        {"meet on main st. tomorrow", "meet on main st. tomorrow"},
    });
}

TEST(SpeechPreparationTest, ApproximationsDatesAndMoneyAreWrittenOut) {
    expectRows({
        {"~5 people", "about 5 people"},
        {"Approx. 20 of them", "Approximately 20 of them"},
        {"Mon, Jan 5", "Monday, January 5"},
        {"Jan. 5", "January 5"},
        {"on 3rd Sept.", "on 3rd September."},
        {"back in Dec. The end", "back in December. The end"},
        {"in Mar we go", "in March we go"},
        {"Mar is a word", "Mar is a word"},
        {"$5M", "$5 million"},
        {"£ 2.5 bn raised", "£2.5 billion raised"},
        {"€1,200.50 MM", "€1,200.50 million"},
    });
}

TEST(SpeechPreparationTest, HomographsAreMarkedWithTheirPhonemes) {
    expectRows({
        {"I have read it", "I have [read](/ɹˈɛd/) it"},
        {"Please read aloud", "Please [read](/ɹˈid/) aloud"},
        {"Read this first.", "[read](/ɹˈid/) this first."},
        {"attached my updated resumes", "attached my updated [resumes](/ɹˈɛzəmˌAz/)"},
        {"Résumé", "[resume](/ɹˈɛzəmˌA/)"},
        {"the show is live", "the show is [live](/lˈIv/)"},
        {"press record now", "press [record](/ɹəkˈɔɹd/) now"},
        {"I live here and resume work", "I live here and resume work"},
    });
}

TEST(SpeechPreparationTest, TypographyIsMadePlainFirst) {
    expectRows({{"it’s “fine”… ‘ok’\u00a0ʼn", "it's \"fine\"... 'ok' 'n"}});
}

TEST(SpeechPreparationTest, RomanceTextSkipsTheEnglishExpansionsButKeepsTheRest) {
    expectRows({
        {"~5 personas, approx. 20, Jan 5, $5M, Main St. hoy", "~5 personas, approx. 20, Jan 5, $5M, Main St. hoy",
         "es"},
        {"Rue St. Denis ~3 km", "Rue St. Denis ~3 km", "fr-FR"},
        {"“Ciao” ~5 my resume", "\"Ciao\" ~5 my [resume](/ɹˈɛzəmˌA/)", "it"},
        {"~5 people", "about 5 people", "de"},
    });
}

TEST(SpeechPreparationTest, ThePronunciationListRunsBeforeTheExpansions) {
    const QList<ReadAloudEntry> entries = {{QUuid::createUuid(), QStringLiteral("St"), QStringLiteral("Stone"), {}}};
    EXPECT_EQ(prepared({"Meet at 12 Oak St.", ""}, entries), QStringLiteral("Meet at 12 Oak Stone."));
}

TEST(SpeechPreparationTest, TheReaderSpeaksWhatOrdinaryTextMeans) {
    const QList<ReadAloudEntry> entries = {
        {QUuid::createUuid(), QStringLiteral("US"), QStringLiteral("United States"), {}},
        {QUuid::createUuid(), QStringLiteral("gif"), QStringLiteral("jiff"), {}},
    };
    const Row rows[] = {
        // Ranges read as "to", weekday ranges written out.
        {"Open 9–5, Mon–Fri.", "Open 9 to 5, Monday to Friday."},
        {"Pages 10–20 and Sat-Sun only.", "Pages 10 to 20 and Saturday to Sunday only."},
        {"Open Monday–Friday.", "Open Monday to Friday."},
        {"Shut Sat – Sunday, open Monday-Thu.", "Shut Saturday to Sunday, open Monday to Thursday."},
        {"From Jan–Mar we rest.", "From January to March we rest."},
        {"Sales run May - Sept. and stop.", "Sales run May to September and stop."},
        {"Built June–August.", "Built June to August."},
        {"We wait—quietly—for news.", "We wait, quietly, for news."},
        {"Call 555-1234 today.", "Call 555-1234 today."},
        // A scale letter only right after an amount, with no word going on from it.
        {"A $15 T-shirt.", "A $15 T-shirt."},
        {"A $15 B-movie.", "A $15 B-movie."},
        {"We raised $5M today.", "We raised $5 million today."},
        {"It cost $2 bn.", "It cost $2 billion."},
        // A month abbreviation before a day is a date, whatever word follows the day.
        {"The Dec 5 meeting was moved.", "The December 5 meeting was moved."},
        {"Our Mar 12th launch.", "Our March 12th launch."},
        {"See you Jan 3 at noon.", "See you January 3 at noon."},
        {"Due Jan 3.", "Due January 3."},
        {"Due Jan 3, 2025 or Feb 2024.", "Due January 3, 2025 or February 2024."},
        {"Mon, Jan 5", "Monday, January 5"},
        // An entry with capitals matches only those capitals; one without, any.
        {"Tell us about the US.", "Tell us about the United States."},
        {"A GIF or a gif.", "A jiff or a jiff."},
    };
    for (const Row& row : rows) {
        const QString out = SpeechPreparation::prepare(QString::fromUtf8(row.input), entries,
                                                       [](const QString&) { return std::optional<QString>(); });
        EXPECT_EQ(out.toStdString(), row.expected) << "input: " << row.input;
    }
}

} // namespace
