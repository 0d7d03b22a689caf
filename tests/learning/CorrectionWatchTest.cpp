#include "learning/CorrectionWatch.h"
#include "learning/CorrectionLedger.h"

#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

const QString kEditor = QStringLiteral("org.example.editor");

class CorrectionWatchTest : public testing::Test {
protected:
    CorrectionWatchTest() {
        defaults.set(QStringLiteral("learnCorrections"), true);
        fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), kEditor, {}, 42};
        fakes.accessibility.focused = field;
    }

    // The field holds `before` + `text` + `after`; the insertion is remembered.
    void insert(const QString& text, const QString& before = QStringLiteral("Hi. "), const QString& after = QString()) {
        field->value = before + text + after;
        watch.noteInsertion(text, AXText::Range{before.size(), text.size()});
    }

    void check() { watch.checkForCorrection(); }
    QString lastTrace() const { return traces.isEmpty() ? QString() : traces.back(); }

    ScopedFakePlatform fakes;
    std::shared_ptr<FakeElement> field = std::make_shared<FakeElement>();
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    CorrectionLedger ledger{defaults};
    QStringList known;
    QStringList traces;
    CorrectionWatch watch{{defaults, ledger,
                           [this](const QString& word) { return known.contains(word, Qt::CaseInsensitive); },
                           [this](const QString& line) { traces << line; }}};
};

TEST_F(CorrectionWatchTest, LearningIsOffUnlessStoredTrue) {
    for (const QVariant& stored : {QVariant(), QVariant(QStringLiteral("true")), QVariant(1)}) {
        if (stored.isValid())
            defaults.set(QStringLiteral("learnCorrections"), stored);
        else
            defaults.remove(QStringLiteral("learnCorrections"));
        insert(QStringLiteral("call jackson"));
        EXPECT_FALSE(watch.last());
        check();
        EXPECT_TRUE(traces.isEmpty());
    }
}

TEST_F(CorrectionWatchTest, AnInsertionIsOnlyRememberedWithTextRangeAndApplication) {
    watch.noteInsertion(QString(), AXText::Range{0, 0});
    EXPECT_FALSE(watch.last());
    watch.noteInsertion(QStringLiteral("text"), std::nullopt);
    EXPECT_FALSE(watch.last());
    fakes.workspace.frontmost->identifier.clear();
    insert(QStringLiteral("text"));
    EXPECT_FALSE(watch.last());
    fakes.workspace.frontmost->identifier = kEditor;
    insert(QStringLiteral("text"));
    ASSERT_TRUE(watch.last());
    EXPECT_EQ(watch.last()->bundleID, kEditor);
}

TEST_F(CorrectionWatchTest, EachEndOfTheCheckTracesWhy) {
    check();
    EXPECT_EQ(lastTrace(), "correction: nothing written to compare");

    insert(QStringLiteral("call jackson"));
    fakes.workspace.frontmost->identifier = QStringLiteral("org.example.mail");
    check();
    EXPECT_EQ(lastTrace(), "correction: app changed org.example.editor -> org.example.mail");
    check();
    EXPECT_EQ(lastTrace(), "correction: nothing written to compare");
    fakes.workspace.frontmost->identifier = kEditor;

    insert(QStringLiteral("call jackson"));
    fakes.workspace.frontmost.reset();
    check();
    EXPECT_EQ(lastTrace(), "correction: app changed org.example.editor -> ?");
    fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Editor"), kEditor, {}, 42};

    insert(QStringLiteral("call jackson"));
    field->value.reset();
    check();
    EXPECT_EQ(lastTrace(), "correction: org.example.editor will not return a string for a range");

    insert(QStringLiteral("call jackson"));
    check();
    EXPECT_EQ(lastTrace(), "correction: unchanged");

    insert(QStringLiteral("call jackson now"));
    field->value = QStringLiteral("Hi. call Jack's son now");
    check();
    EXPECT_EQ(lastTrace(), "correction: change was not a single run");

    known << QStringLiteral("jaxon");
    insert(QStringLiteral("call jackson now"));
    field->value = QStringLiteral("Hi. call Jaxon now");
    check();
    EXPECT_EQ(lastTrace(), "correction: Jaxon already known");
    EXPECT_FALSE(defaults.contains(CorrectionLedger::kSeenKey));
    EXPECT_FALSE(watch.pending());
}

TEST_F(CorrectionWatchTest, AFarEditIsAskedAboutTheSecondTime) {
    for (const char* expected :
         {"correction: jackson -> Jaxon near=false ask=false", "correction: jackson -> Jaxon near=false ask=true"}) {
        insert(QStringLiteral("please call jackson today"));
        field->value = QStringLiteral("Hi. please call Jaxon today");
        check();
        EXPECT_EQ(lastTrace(), expected);
    }
    ASSERT_TRUE(watch.pending());
    EXPECT_EQ(*watch.pending(), (CorrectionCandidate{"jackson", "Jaxon", false}));
    EXPECT_EQ(watch.takePending(), (CorrectionCandidate{"jackson", "Jaxon", false}));
    EXPECT_FALSE(watch.pending());
}

TEST_F(CorrectionWatchTest, EditsThatChangeTheLengthAreReadOverTheNewLength) {
    // Shorter, with text after the insertion that must not be read as part of it.
    insert(QStringLiteral("I will recieve it"), QStringLiteral("Hi. "), QStringLiteral(" Bye."));
    field->value = QStringLiteral("Hi. I will receive it Bye.");
    check();
    EXPECT_EQ(lastTrace(), "correction: recieve -> receive near=true ask=true");

    insert(QStringLiteral("please call jackson today"), QStringLiteral("Hi. "), QStringLiteral(" Bye."));
    field->value = QStringLiteral("Hi. please call Jaxon today Bye.");
    check();
    EXPECT_EQ(lastTrace(), "correction: jackson -> Jaxon near=false ask=false");

    // Longer, with an emoji that counts two units.
    insert(QStringLiteral("see the cat"), QStringLiteral("😀 "), QStringLiteral("!"));
    field->value = QStringLiteral("😀 see the catalogue!");
    check();
    EXPECT_EQ(lastTrace(), "correction: cat -> catalogue near=false ask=false");
}

TEST_F(CorrectionWatchTest, EachInsertionIsExaminedOnceAndAFieldShortenedPastItCannotBeRead) {
    insert(QStringLiteral("I will recieve it"));
    field->value = QStringLiteral("Hi. I will receive it");
    check();
    EXPECT_TRUE(watch.pending());
    check();
    EXPECT_EQ(lastTrace(), "correction: nothing written to compare");

    insert(QStringLiteral("call jackson"));
    field->value = QStringLiteral("Hi");
    check();
    EXPECT_EQ(lastTrace(), "correction: insertion not found");
}

TEST_F(CorrectionWatchTest, EditsOutsideTheInsertionAreNeverTakenForACorrectionOfIt) {
    const QString before = QStringLiteral("thanks forr the notes. ");
    const QString dictated = QStringLiteral("please call jackson today");

    // A fix earlier in the field moves the insertion; it is found whole.
    insert(dictated, before);
    field->value = QStringLiteral("thanks for the notes. please call jackson today");
    check();
    EXPECT_EQ(lastTrace(), "correction: unchanged");

    // Text added after it.
    insert(dictated, before, QStringLiteral(" Bye."));
    field->value = before + dictated + QStringLiteral(" Bye, Sam.");
    check();
    EXPECT_EQ(lastTrace(), "correction: unchanged");

    // A fix before it and one inside it: the stretch cannot be told apart.
    insert(dictated, before);
    field->value = QStringLiteral("thanks for the notes. please call Jaxon today");
    check();
    EXPECT_EQ(lastTrace(), "correction: insertion not found");

    EXPECT_FALSE(watch.pending());
    EXPECT_FALSE(defaults.contains(CorrectionLedger::kSeenKey));

    // Untouched surroundings still let a correction inside through.
    insert(dictated, before, QStringLiteral(" Bye."));
    field->value = before + QStringLiteral("please call Jaxon today Bye.");
    check();
    EXPECT_EQ(lastTrace(), "correction: jackson -> Jaxon near=false ask=false");
}

TEST_F(CorrectionWatchTest, ALongFieldIsReadOnlyAroundTheInsertion) {
    const QString dictated = QStringLiteral("please call jackson today");
    const QString page = QStringLiteral("lorem ipsum dolor sit amet ").repeated(1900);
    insert(dictated, page, page);
    ASSERT_GT(field->value->size(), 100000);
    const qint64 bound = 3 * CorrectionWatch::kContext + 3 * dictated.size();
    EXPECT_LE(field->lastTextRead.length, bound);
    EXPECT_GE(field->lastTextRead.location, page.size() - CorrectionWatch::kContext);

    // Far from the insertion the user changed the greeting; near it, fixed a name.
    field->value = QStringLiteral("Dear Sam, ") + page.mid(10) + QStringLiteral("please call Jaxon today") + page;
    field->textReads = 0;
    check();
    EXPECT_EQ(field->textReads, 1);
    EXPECT_LE(field->lastTextRead.length, bound);
    EXPECT_EQ(lastTrace(), "correction: jackson -> Jaxon near=false ask=false");

    // A far edit that moved the insertion: the surroundings no longer line up.
    insert(dictated, page, page);
    field->value = page.mid(100) + QStringLiteral("please call Jaxon today") + page;
    check();
    EXPECT_EQ(lastTrace(), "correction: insertion not found");
}

} // namespace
