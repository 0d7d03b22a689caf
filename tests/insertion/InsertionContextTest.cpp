#include "insertion/InsertionContext.h"
#include "stores/DictionaryStore.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct AdjustCase {
    const char* text;
    const char* context;
    bool force;
    const char* expected;
};

TEST(InsertionContextTest, AdjustsCaseAndBlankToTheTextBeforeTheCaret) {
    const AdjustCase cases[] = {
        {"Hello", "I said", false, " hello"},
        {"Hello", "I said ", false, "hello"},
        {"Hello", "Done.", false, " Hello"},
        {"Hello", "Done. ", false, "Hello"},
        {"Hello", "Done!\t", false, "Hello"},
        {"Hello", "and\n", true, "Hello"},
        {"Hello", "Done.", true, " hello"},
        {"NASA said", "and", false, " NASA said"},
        {"USB-C works", "and", false, " USB-C works"},
        {"I think", "and", false, " i think"},
        {"A", "and", false, " a"},
        {"Hello", "", false, "Hello"},
        {"Hello", " \t ", true, "hello"},
        {"Hello", "\n", true, "Hello"},
        {"Hello", "end\r", false, " hello"},
        {" Hello", "word", false, "  Hello"},
        {"", "word", true, ""},
        {"3 apples", "I ate", false, " 3 apples"},
        {"Élan", "with", false, " élan"},
        {"ÉCOLE", "at", false, " ÉCOLE"},
        // The character before the caret is what the reader sees, not the last code unit.
        {"Hello", "cafe\u0301", false, " hello"},
        {"Hello", "ok \U0001F44D\U0001F3FD", false, " hello"},
        {"Hello", "family \U0001F468\u200D\U0001F469\u200D\U0001F467", false, " hello"},
        {"Hello", "Wow!\u0301", false, " hello"},
    };
    for (const AdjustCase& c : cases) {
        EXPECT_EQ(InsertionContext::adjust(QString::fromUtf8(c.text), QString::fromUtf8(c.context), c.force),
                  QString::fromUtf8(c.expected))
            << "'" << c.text << "' after '" << c.context << "' force " << c.force;
    }
}

TEST(InsertionContextTest, WithoutContextConsultsTheDictionaryForNames) {
    TempFolder folder;
    DictionaryStore store(folder.path());
    struct Case {
        const char* text;
        bool continuing;
        const char* expected;
    };
    const Case withoutParis[] = {
        {"Paris", true, " paris"},
        {"I", true, " I"},
        {"Hello world", false, "Hello world"},
        {"Hello", false, "hello"},
        {"  ", true, "  "},
        {"hello", true, " hello"},
        {" Hello", true, " Hello"},
        {"NASA", true, " NASA"},
        {"Hello world", true, " hello world"},
        {"\"Quote\" me", true, " \"Quote\" me"},
    };
    for (const Case& c : withoutParis)
        EXPECT_EQ(InsertionContext::adjustWithoutContext(QString::fromUtf8(c.text), c.continuing),
                  QString::fromUtf8(c.expected))
            << c.text;

    store.add(QStringLiteral("Paris"), {});
    store.add(QStringLiteral("O'Neil"), {});
    EXPECT_EQ(InsertionContext::adjustWithoutContext(QStringLiteral("Paris"), true), QStringLiteral(" Paris"));
    EXPECT_EQ(InsertionContext::adjustWithoutContext(QStringLiteral("Paris"), false), QStringLiteral("Paris"));
    EXPECT_EQ(InsertionContext::adjustWithoutContext(QStringLiteral("O'Neil said"), true),
              QStringLiteral(" O'Neil said"));
    store.setEntries({});
}

TEST(InsertionContextTest, TheStripCountTakesOnePeriodAndTheBlanksAfterItInWholeCharacters) {
    struct Case {
        QString text;
        QString kept;
    };
    const Case cases[] = {
        {QStringLiteral("end. \n"), QStringLiteral("end")},
        {QStringLiteral("end.."), QStringLiteral("end.")},
        {QStringLiteral("end!  "), QStringLiteral("end!")},
        {QStringLiteral("end"), QStringLiteral("end")},
        {QString(), QString()},
        {QStringLiteral(". "), QString()},
        {QStringLiteral("hi \U0001F44B. \n"), QStringLiteral("hi \U0001F44B")},
        {QStringLiteral("caf\u00e9.\t "), QStringLiteral("caf\u00e9")},
        {QStringLiteral("cafe\u0301. "), QStringLiteral("cafe\u0301")},
        {QStringLiteral("end\r\n \n"), QStringLiteral("end\r\n")},
        {QStringLiteral("end.\r\n"), QStringLiteral("end.\r\n")},
        {QStringLiteral("end \r\n"), QStringLiteral("end \r\n")},
        {QStringLiteral("x.\u0301 "), QStringLiteral("x.\u0301")},
    };
    for (const Case& c : cases) {
        const int strip = InsertionContext::trailingStripCount(c.text);
        EXPECT_EQ(c.text.chopped(strip), c.kept) << c.text.toStdString();
    }
}

} // namespace
