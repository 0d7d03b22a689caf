#include "cleanup/TextCleanup.h"
#include "cleanup/CleanupEngine.h"
#include "engine/LlmServer.h"
#include "stores/DictionaryStore.h"
#include "support/Await.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <QUuid>

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* input;
    const char* expected;
};

class TextCleanupTest : public testing::Test {
protected:
    void SetUp() override { DictionaryStore::setSnapshot({}); }
    void TearDown() override { DictionaryStore::setSnapshot({}); }
};

TEST_F(TextCleanupTest, DashesSpacingAndSentenceMarks) {
    const Case cases[] = {
        {"we met — briefly — yesterday", "We met, briefly, yesterday"},
        {"we met – briefly – yesterday", "We met, briefly, yesterday"},
        {"done — Next step", "Done. Next step"},
        {"done — next step", "Done, next step"},
        {"a —— b", "A, b"},
        {"hello ,world", "Hello, world"},
        {"a,b", "A, b"},
        {"1,000 at 10:30", "1,000 at 10:30"},
        {"end.Start", "End. Start"},
        {"version 3.5 ships", "Version 3.5 ships"},
        {"Really?.", "Really?"},
        {"Wait..", "Wait."},
        {"Wait . .", "Wait."},
        {"one   two", "One two"},
        {"  \n padded \t\n", "Padded"},
        {" \n\t ", ""},
        {"first line\nsecond  line", "First line\nsecond line"},
        {"word \n, next", "Word, next"},
        {"9 lives", "9 lives"},
        {"«quoted»", "«quoted»"},
        {"ébauche", "Ébauche"},
        {"ßtraße", "SStraße"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextCleanup::postProcess(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected)) << c.input;
    // An aside longer than sixty characters still becomes two commas.
    const QString aside(61, QLatin1Char('x'));
    EXPECT_EQ(TextCleanup::postProcess(QStringLiteral("a — ") + aside + QStringLiteral(" — b")),
              QStringLiteral("A, ") + aside + QStringLiteral(", b"));
}

TEST_F(TextCleanupTest, AppliesTheDictionaryFirstAndIgnoresTheNumberStyle) {
    TempFolder folder;
    DictionaryStore store(folder.path());
    store.add(QStringLiteral("iPhone"), {QStringLiteral("eye phone")});
    EXPECT_EQ(TextCleanup::postProcess(QStringLiteral("eye phone — new model — is out")),
              QStringLiteral("IPhone, new model, is out"));
    EXPECT_EQ(TextCleanup::postProcess(QStringLiteral("my eye phone"), NumberStyle::Digits),
              QStringLiteral("My iPhone"));
}

// A dictation whose dictionary words hold dots inside them: the road of a
// dictation's stop (numbers, post-processing, the cleanup), then "Clean up"
// of the inserted text.
TEST_F(TextCleanupTest, DictionaryWordsKeepTheDotsInsideThemThroughADictation) {
    const auto word = [](const char* canonical, const char* said) {
        DictionaryEntry entry;
        entry.id = QUuid::createUuid();
        entry.canonical = QString::fromUtf8(canonical);
        entry.variants = {QString::fromUtf8(said)};
        return entry;
    };
    DictionaryStore::setSnapshot({word("ASP.NET", "asp dot net"), word("System.IO", "system io")});
    CleanupEngine engine(Defaults::shared(), LlmServer::shared());
    const Case cases[] = {
        {"our asp dot net site is down again", "Our ASP.NET site is down again."},
        {"asp dot net works", "ASP.NET works"},
        {"the system io classes changed", "The System.IO classes changed."},
    };
    for (const Case& c : cases) {
        const QString transcript =
            TextCleanup::postProcess(CleanupEngine::digitizeNumbers(QString::fromUtf8(c.input), NumberStyle::Smart));
        const QString typed = awaitResult(engine.clean(transcript, false, {}, NumberStyle::Smart, true)).text;
        EXPECT_EQ(typed.toStdString(), c.expected) << c.input;
        EXPECT_EQ(awaitResult(engine.clean(typed, false, {}, NumberStyle::Smart, true)).text.toStdString(),
                  typed.toStdString())
            << c.input << " cleaned again";
    }
}

} // namespace
