// The Dashboard's texts and its two lists: phone notes and recent dictations,
// on real store files in a temporary folder, a fake inbox and send target, and
// a clock the test moves.
#include "looks/SegmentedSwitch.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/GreetingLine.h"
#include "mainwindow/HeroCard.h"
#include "mainwindow/HeroText.h"
#include "mainwindow/MainWindowView.h"
#include "mainwindow/PhoneNoteRow.h"
#include "mainwindow/RecentDictationRow.h"
#include "onboarding/Greeting.h"
#include "state/AppState.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/FakeNoteTarget.h"
#include "support/FakePhoneNotesInbox.h"
#include "support/FakePlatform.h"
#include "support/ManualTimers.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace std::chrono_literals;

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 30));

TEST(DashboardGreetingTest, TheSalutationAndSymbolTurnAtFiveAndEighteen) {
    const QString sun = QStringLiteral("\u2600\uFE0F");
    const QString moon = QString::fromUcs4(U"\U0001F319");
    EXPECT_EQ(DashboardPane::greeting(4, QStringLiteral("Ana")), QStringLiteral("Good evening, Ana ") + moon);
    EXPECT_EQ(DashboardPane::greeting(5, QStringLiteral("Ana")), QStringLiteral("Good morning, Ana ") + sun);
    EXPECT_EQ(DashboardPane::greeting(12, QStringLiteral("Ana")), QStringLiteral("Good afternoon, Ana ") + sun);
    EXPECT_EQ(DashboardPane::greeting(18, QStringLiteral("Ana")), QStringLiteral("Good evening, Ana ") + moon);
}

TEST(DashboardGreetingTest, TheNameIsTheTypedOneElseTheAccountsFirstWordElseThere) {
    EXPECT_EQ(Greeting::displayName(QStringLiteral(" \tAna\u00A0 "), QStringLiteral("Bo Li")), QStringLiteral("Ana"));
    EXPECT_EQ(Greeting::displayName(QStringLiteral("  "), QStringLiteral("  Bo  Li")), QStringLiteral("Bo"));
    EXPECT_EQ(Greeting::displayName(QString(), QStringLiteral("   ")), QStringLiteral("there"));
    EXPECT_EQ(Greeting::displayName(QStringLiteral("\n"), QStringLiteral("Bo")), QStringLiteral("\n"));
}

TEST(HeroTextTest, SavedTimeReadsInMinutesThenHoursAndMinutes) {
    EXPECT_EQ(HeroText::timeSaved(0), QStringLiteral("0m"));
    EXPECT_EQ(HeroText::timeSaved(-40), QStringLiteral("0m"));
    EXPECT_EQ(HeroText::timeSaved(59.9), QStringLiteral("0m"));
    EXPECT_EQ(HeroText::timeSaved(3599), QStringLiteral("59m"));
    EXPECT_EQ(HeroText::timeSaved(3600), QStringLiteral("1h 0m"));
    EXPECT_EQ(HeroText::timeSaved(7325), QStringLiteral("2h 2m"));
    // Totals from a hand-edited statistics file stay within what the count holds.
    EXPECT_EQ(HeroText::timeSaved(1e19), QStringLiteral("277777777777h 46m"));
    EXPECT_EQ(HeroText::timeSaved(std::numeric_limits<double>::infinity()), QStringLiteral("0m"));
}

TEST(HeroTextTest, TheStatisticsLineAddsRateAndPagesWhenTheyMean) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(HeroText::heroSub(0, 0, english),
              QStringLiteral("Dictate anywhere with a double-tap. Your stats will build here."));
    EXPECT_EQ(HeroText::heroSub(1, 0, english), QStringLiteral("1 words dictated."));
    EXPECT_EQ(HeroText::heroSub(499, 120, english), QStringLiteral("499 words dictated at 120 wpm."));
    EXPECT_EQ(HeroText::heroSub(500, 0, english), QStringLiteral("500 words dictated, about 2 pages of writing."));
    EXPECT_EQ(HeroText::heroSub(1234, 142, english),
              QStringLiteral("1,234 words dictated at 142 wpm, about 4 pages of writing."));
}

TEST(PhoneNoteTitleTest, TheTitleAsStoredElseSixWordsElseUntitled) {
    PhoneNote note;
    note.text = QStringLiteral("one two three four five six");
    EXPECT_EQ(note.displayTitle(), QStringLiteral("one two three four five six"));
    note.text = QStringLiteral("one\ttwo\nthree  four five six seven");
    EXPECT_EQ(note.displayTitle(), QStringLiteral("one two three four five six\u2026"));
    note.title = QStringLiteral(" \t\u00A0");
    EXPECT_EQ(note.displayTitle(), QStringLiteral("one two three four five six\u2026"));
    note.title = QStringLiteral(" Plan ");
    EXPECT_EQ(note.displayTitle(), QStringLiteral(" Plan "));
    note.title = QStringLiteral("\n");
    EXPECT_EQ(note.displayTitle(), QStringLiteral("\n"));
    note.title.reset();
    note.text = QStringLiteral("\n\n\u2028");
    EXPECT_EQ(note.displayTitle(), QStringLiteral("Untitled"));
}

HistoryEntry entry(const QString& text, qint64 minutesAgo, const QString& app = QString()) {
    HistoryEntry made;
    made.id = QUuid::createUuid();
    made.date = kNow.addSecs(-60 * minutesAgo);
    made.app = app;
    made.text = text;
    return made;
}

PhoneNote phoneNote(const QString& text) {
    PhoneNote note;
    note.id = QUuid::createUuid();
    note.text = text;
    note.captured = kNow.addSecs(-300);
    note.seconds = 4;
    return note;
}

class DashboardTest : public ::testing::Test {
protected:
    DashboardServices services() {
        DashboardServices services;
        services.stats = &stats;
        services.history = &history;
        services.defaults = &defaults;
        services.inbox = &inbox;
        services.target = &target;
        services.now = [] { return kNow; };
        services.accountName = [] { return QStringLiteral("Robin Example"); };
        services.later = timers.delayedCall();
        return services;
    }

    std::unique_ptr<DashboardPane> open() {
        auto pane = std::make_unique<DashboardPane>(services());
        pane->resize(900, 700);
        pane->show();
        return pane;
    }

    static RecentDictationRow* row(DashboardPane& pane, const QString& text) {
        for (RecentDictationRow* found : pane.recentRows())
            if (found->text()->text() == text)
                return found;
        return nullptr;
    }

    static PhoneNoteRow* noteRow(DashboardPane& pane, int index) {
        const QList<QWidget*> rows = pane.phoneRows();
        return index < rows.size() ? qobject_cast<PhoneNoteRow*>(rows.at(index)) : nullptr;
    }

    // Lets the Dashboard follow the inbox: it does so from the event loop.
    static void settle() { QCoreApplication::sendPostedEvents(); }

    static QString copied(FakePlatform& platform) {
        const Pasteboard::Snapshot items = platform.pasteboard.snapshot();
        return items.size() == 1 && items.constFirst().size() == 1
                   ? QString::fromUtf8(items.constFirst().constFirst().second)
                   : QString();
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    StatsStore stats{folder.file(QStringLiteral("data"))};
    HistoryStore history{folder.file(QStringLiteral("data")), defaults, [] { return kNow; }};
    FakePhoneNotesInbox inbox;
    FakeNoteTarget target;
    ManualTimers timers;
};

TEST_F(DashboardTest, EmptyStoresShowOnlyTheGreetingAndTheCard) {
    auto pane = open();
    EXPECT_EQ(pane->greetingLine()->text(), DashboardPane::greeting(10, QStringLiteral("Robin")));
    EXPECT_EQ(pane->heroCard()->statistics()->text(),
              QStringLiteral("Dictate anywhere with a double-tap. Your stats will build here."));
    EXPECT_TRUE(pane->heroCard()->headline()->text().contains(QStringLiteral(">0m<")));
    EXPECT_EQ(pane->phoneSection(), nullptr);
    EXPECT_EQ(pane->recentSection(), nullptr);

    defaults.set(QStringLiteral("userName"), QStringLiteral("Sam"));
    EXPECT_EQ(pane->greetingLine()->text(), DashboardPane::greeting(10, QStringLiteral("Sam")));
}

TEST_F(DashboardTest, DictationsShowAsPlainTextWithTheirAgeAndApplication) {
    history.setEntries(
        {entry(QStringLiteral("<b>not bold</b>"), 5, QStringLiteral("Editor")), entry(QStringLiteral("older"), 120)});
    auto pane = open();
    ASSERT_EQ(pane->recentRows().size(), 2);
    RecentDictationRow* first = row(*pane, QStringLiteral("<b>not bold</b>"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text()->textFormat(), Qt::PlainText);
    EXPECT_EQ(first->when()->text(), QStringLiteral("5 minutes ago"));
    EXPECT_EQ(first->languageSwitch(), nullptr);
    EXPECT_EQ(row(*pane, QStringLiteral("older"))->when()->text(), QStringLiteral("2 hours ago"));
}

TEST_F(DashboardTest, ATranslatedDictationSwitchesBetweenTypedAndSpoken) {
    HistoryEntry translated = entry(QStringLiteral("Guten Morgen"), 1);
    translated.original = QStringLiteral("good morning");
    translated.translatedTo = QStringLiteral("de");
    HistoryEntry emptyOriginal = entry(QStringLiteral("kept"), 2);
    emptyOriginal.original = QString();
    history.setEntries({translated, emptyOriginal});
    auto pane = open();
    RecentDictationRow* typed = row(*pane, QStringLiteral("Guten Morgen"));
    ASSERT_NE(typed, nullptr);
    ASSERT_NE(typed->languageSwitch(), nullptr);
    EXPECT_EQ(typed->languageSwitch()->onSegment()->text(), QStringLiteral("As spoken"));
    EXPECT_EQ(typed->switchNote()->text(), QStringLiteral("What was typed"));
    EXPECT_EQ(row(*pane, QStringLiteral("kept"))->languageSwitch(), nullptr);

    typed->languageSwitch()->onSegment()->click();
    EXPECT_EQ(typed->text()->text(), QStringLiteral("good morning"));
    EXPECT_EQ(typed->switchNote()->text(), QStringLiteral("What you said"));
    typed->copyButton()->click();
    EXPECT_EQ(copied(platform), QStringLiteral("good morning"));
    EXPECT_EQ(platform.announcer.announcements.constLast().text, QStringLiteral("Copied"));

    // The choice survives a redraw of the list.
    defaults.set(QStringLiteral("paperTheme"), true);
    EXPECT_EQ(row(*pane, QStringLiteral("good morning"))->languageSwitch()->isOn(), true);
}

TEST_F(DashboardTest, ACopyTimerNeverClearsANewerCopy) {
    history.setEntries({entry(QStringLiteral("first"), 1), entry(QStringLiteral("second"), 2)});
    auto pane = open();
    row(*pane, QStringLiteral("first"))->copyButton()->click();
    EXPECT_EQ(row(*pane, QStringLiteral("first"))->when()->text(), QStringLiteral("Copied"));
    timers.advance(1000ms);
    row(*pane, QStringLiteral("second"))->copyButton()->click();
    EXPECT_EQ(row(*pane, QStringLiteral("first"))->when()->text(), QStringLiteral("1 minute ago"));
    timers.advance(400ms); // the first copy's timer runs out
    EXPECT_EQ(row(*pane, QStringLiteral("second"))->when()->text(), QStringLiteral("Copied"));
    EXPECT_EQ(row(*pane, QStringLiteral("second"))->copyButton()->accessibleName(), QStringLiteral("Copied"));
    timers.advance(1000ms);
    EXPECT_EQ(row(*pane, QStringLiteral("second"))->when()->text(), QStringLiteral("2 minutes ago"));
    EXPECT_EQ(copied(platform), QStringLiteral("second"));
}

TEST_F(DashboardTest, ClearingTheHistoryEmptiesTheFileAndTheSection) {
    history.record(entry(QStringLiteral("private words"), 1));
    auto pane = open();
    ASSERT_NE(pane->clearHistory(), nullptr);
    pane->clearHistory()->click();
    EXPECT_TRUE(history.entries().isEmpty());
    EXPECT_EQ(pane->recentSection(), nullptr);
    EXPECT_EQ(folder.read(QStringLiteral("data/history.json")), QByteArray("[]"));
}

TEST_F(DashboardTest, AHistoryThatCannotBeWrittenIsNotShownAsCleared) {
    history.record(entry(QStringLiteral("private words"), 1));
    auto pane = open();
    // A folder where the new file would go: the write cannot replace it.
    const QString file = folder.file(QStringLiteral("data/history.json"));
    const QByteArray kept = folder.read(QStringLiteral("data/history.json"));
    ASSERT_TRUE(QFile::rename(file, file + QStringLiteral(".kept")));
    ASSERT_TRUE(QDir().mkpath(file + QStringLiteral("/blocker")));
    pane->clearHistory()->click();
    EXPECT_EQ(history.entries().size(), 1);
    ASSERT_NE(pane->recentSection(), nullptr);
    EXPECT_NE(row(*pane, QStringLiteral("private words")), nullptr);
    EXPECT_TRUE(kept.contains("private words"));
}

TEST_F(DashboardTest, PhoneNotesSwitchWordingAndCopyAndSendTheShownText) {
    PhoneNote cleaned = phoneNote(QStringLiteral("Buy milk and eggs."));
    cleaned.original = QStringLiteral("buy um milk and eggs");
    cleaned.cleanedBy = QStringLiteral("Notes");
    PhoneNote plain = phoneNote(QStringLiteral("<i>call</i> the plumber"));
    plain.original = QStringLiteral("only original");
    inbox.accept({cleaned, plain});
    target.pinned = QStringLiteral("org.example.editor");
    target.appName = QStringLiteral("Editor");
    auto pane = open();
    ASSERT_EQ(pane->phoneRows().size(), 2);
    PhoneNoteRow* first = noteRow(*pane, 0);
    ASSERT_NE(first->wordingSwitch(), nullptr);
    EXPECT_EQ(first->switchNote()->text(), QStringLiteral("Notes mode, with your dictionary"));
    EXPECT_EQ(noteRow(*pane, 1)->wordingSwitch(), nullptr);
    EXPECT_EQ(noteRow(*pane, 1)->text()->text(), QStringLiteral("<i>call</i> the plumber"));
    EXPECT_EQ(noteRow(*pane, 1)->text()->textFormat(), Qt::PlainText);

    first->wordingSwitch()->onSegment()->click();
    EXPECT_EQ(first->text()->text(), QStringLiteral("buy um milk and eggs"));
    EXPECT_EQ(first->switchNote()->text(), QStringLiteral("Straight from the iPhone"));
    first->copyButton()->click();
    EXPECT_EQ(copied(platform), QStringLiteral("buy um milk and eggs"));
    EXPECT_EQ(first->sendButton()->text(), QStringLiteral("Insert into Editor"));
    first->sendButton()->click();
    EXPECT_EQ(target.sentTexts, QStringList({QStringLiteral("buy um milk and eggs")}));
    EXPECT_EQ(target.sentTitles, QStringList({QStringLiteral("Buy milk and eggs.")}));
    EXPECT_EQ(inbox.notes().size(), 2);
}

TEST_F(DashboardTest, AFailedSendShowsItsLineUntilALaterSendSucceeds) {
    inbox.accept({phoneNote(QStringLiteral("one")), phoneNote(QStringLiteral("two"))});
    target.pinned = QStringLiteral("org.example.editor");
    target.delivers = false;
    auto pane = open();
    noteRow(*pane, 0)->sendButton()->click();
    ASSERT_NE(noteRow(*pane, 0)->failure(), nullptr);
    EXPECT_EQ(noteRow(*pane, 0)->failure()->text(),
              QStringLiteral("Could not reach that app. The note is still here, and the text is on your clipboard."));
    EXPECT_EQ(noteRow(*pane, 1)->failure(), nullptr);
    EXPECT_EQ(noteRow(*pane, 0)->sendButton()->text(), QStringLiteral("Insert where the cursor is"));

    target.error = QStringLiteral("Notes needs permission.");
    noteRow(*pane, 1)->sendButton()->click();
    EXPECT_EQ(noteRow(*pane, 0)->failure(), nullptr);
    EXPECT_EQ(noteRow(*pane, 1)->failure()->text(), QStringLiteral("Notes needs permission."));

    target.delivers = true;
    noteRow(*pane, 0)->sendButton()->click();
    EXPECT_EQ(noteRow(*pane, 1)->failure(), nullptr);
}

TEST_F(DashboardTest, TheActionRowFollowsWhereNotesGo) {
    inbox.accept({phoneNote(QStringLiteral("one"))});
    auto pane = open();
    EXPECT_EQ(noteRow(*pane, 0)->sendButton()->text(), QStringLiteral("Choose where these go\u2026"));
    noteRow(*pane, 0)->sendButton()->click();
    EXPECT_EQ(target.appChoices, 1);
    EXPECT_EQ(noteRow(*pane, 0)->changeButton(), nullptr);

    target.pinned = NoteTarget::kNotesIdentifier;
    emit target.changed();
    ASSERT_NE(noteRow(*pane, 0)->folderButton(), nullptr);
    EXPECT_EQ(noteRow(*pane, 0)->folderButton()->text(), QStringLiteral("Folder\u2026"));
    defaults.set(QStringLiteral("notesFolder"), QStringLiteral("Phone"));
    EXPECT_EQ(noteRow(*pane, 0)->folderButton()->text(), QStringLiteral("Folder: Phone"));
    noteRow(*pane, 0)->folderButton()->click();
    EXPECT_EQ(target.folderChoices, 1);
}

TEST_F(DashboardTest, TheArrivalBadgeLastsSixSecondsAndANewerBatchKeepsItsOwn) {
    auto pane = open();
    inbox.accept({phoneNote(QStringLiteral("a")), phoneNote(QStringLiteral("b")), phoneNote(QStringLiteral("c"))});
    settle();
    ASSERT_NE(pane->arrivalBadge(), nullptr);
    EXPECT_TRUE(pane->arrivalBadge()->isVisible());
    EXPECT_EQ(pane->arrivalBadge()->text(), QStringLiteral("3 just arrived"));
    timers.advance(4s);
    inbox.accept({phoneNote(QStringLiteral("d"))});
    settle();
    EXPECT_EQ(pane->arrivalBadge()->text(), QStringLiteral("1 just arrived"));
    timers.advance(2s + 100ms); // the first batch's six seconds are over
    EXPECT_EQ(inbox.justArrived(), 1);
    timers.advance(4s);
    EXPECT_EQ(inbox.justArrived(), 0);
    EXPECT_FALSE(pane->arrivalBadge()->isVisible());
}

TEST_F(DashboardTest, TheArrivalBadgeKeepsOneTimerWhileTheListChangesUnderIt) {
    auto pane = open();
    PhoneNote first = phoneNote(QStringLiteral("milk um eggs"));
    const PhoneNote second = phoneNote(QStringLiteral("call the plumber"));
    inbox.accept({first, second});
    settle();
    ASSERT_NE(pane->arrivalBadge(), nullptr);
    EXPECT_EQ(pane->arrivalBadge()->text(), QStringLiteral("2 just arrived"));

    // The polish pass rewrites a note, the user dismisses the other, and the
    // notes' destination changes: none of it is a new arrival.
    timers.advance(2s);
    first.text = QStringLiteral("Milk and eggs.");
    inbox.replaceNote(first);
    settle();
    timers.advance(2s);
    noteRow(*pane, 1)->dismissButton()->click();
    settle();
    target.pinned = NoteTarget::kNotesIdentifier;
    emit target.changed();
    settle();
    EXPECT_EQ(pane->arrivalBadge()->text(), QStringLiteral("2 just arrived"));

    timers.advance(2s + 100ms); // six seconds after the arrival
    EXPECT_EQ(inbox.justArrived(), 0);
    EXPECT_FALSE(pane->arrivalBadge()->isVisible());
    EXPECT_EQ(std::count(timers.delays.begin(), timers.delays.end(), DashboardPane::kArrivalBadge), 1);
}

TEST_F(DashboardTest, LeavingTheDashboardEndsTheBadgeAtOnce) {
    auto pane = open();
    inbox.accept({phoneNote(QStringLiteral("a"))});
    pane->hide();
    EXPECT_EQ(inbox.justArrived(), 0);
}

TEST_F(DashboardTest, ClearAllAndDismissEmptyTheInboxAndTheSectionGoes) {
    inbox.accept({phoneNote(QStringLiteral("a")), phoneNote(QStringLiteral("b"))});
    auto pane = open();
    noteRow(*pane, 0)->dismissButton()->click();
    settle();
    EXPECT_EQ(inbox.notes().size(), 1);
    EXPECT_EQ(pane->phoneRows().size(), 1);
    ASSERT_NE(pane->clearPhoneNotes(), nullptr);
    pane->clearPhoneNotes()->click();
    settle();
    EXPECT_EQ(inbox.clears, 1);
    EXPECT_EQ(pane->phoneSection(), nullptr);
}

TEST_F(DashboardTest, ArrivingNotesAddTheirRowsAfterTheInboxHasAnsweredAndTheOtherRowsStay) {
    PhoneNote edited = phoneNote(QStringLiteral("first draft"));
    const PhoneNote kept = phoneNote(QStringLiteral("kept as it is"));
    const PhoneNote dismissed = phoneNote(QStringLiteral("going"));
    inbox.accept({edited, kept, dismissed});
    auto pane = open();
    const QList<QWidget*> before = pane->phoneRows();
    ASSERT_EQ(before.size(), 3);

    inbox.accept({phoneNote(QStringLiteral("New one")), phoneNote(QStringLiteral("New two"))});
    // The inbox's signal returns before any row is made: a phone's receipt does not wait.
    EXPECT_EQ(pane->phoneRows(), before);
    settle();
    QList<QWidget*> after = pane->phoneRows();
    ASSERT_EQ(after.size(), 5);
    EXPECT_EQ(noteRow(*pane, 0)->text()->text(), QStringLiteral("New one"));
    EXPECT_EQ(noteRow(*pane, 1)->text()->text(), QStringLiteral("New two"));
    EXPECT_EQ(after.mid(2), before);

    // A changed note gets a new row, a removed one loses its row; the rest stay.
    inbox.remove(dismissed);
    edited.text = QStringLiteral("Final Draft");
    inbox.replaceNote(edited);
    settle();
    after = pane->phoneRows();
    ASSERT_EQ(after.size(), 4);
    EXPECT_EQ(noteRow(*pane, 2)->text()->text(), QStringLiteral("Final Draft"));
    EXPECT_NE(after[2], before[0]);
    EXPECT_EQ(after[3], before[1]);
    EXPECT_EQ(noteRow(*pane, 3)->text()->text(), QStringLiteral("kept as it is"));
}

TEST_F(DashboardTest, PhoneRowsAreMadeOnlyAsFarAsThePageIsScrolled) {
    QList<PhoneNote> waiting;
    for (int n = 0; n < 150; ++n)
        waiting.append(phoneNote(QStringLiteral("note %1").arg(n)));
    inbox.accept(waiting);
    auto pane = open();
    const auto made = [&](qsizetype count) {
        return QTest::qWaitFor([&] { return pane->phoneRows().size() == count; }, 5000);
    };
    ASSERT_TRUE(made(DashboardPane::kPhoneRowsPerScreen));
    QTest::qWait(50);
    EXPECT_EQ(pane->phoneRows().size(), DashboardPane::kPhoneRowsPerScreen) << "rows out of sight were made";

    // Scrolling to the end of the rows made brings the next screenful.
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
    ASSERT_TRUE(made(2 * DashboardPane::kPhoneRowsPerScreen));
    EXPECT_EQ(noteRow(*pane, int(2 * DashboardPane::kPhoneRowsPerScreen) - 1)->text()->text(),
              QStringLiteral("note %1").arg(2 * DashboardPane::kPhoneRowsPerScreen - 1));

    // An arrival leads the list, which keeps its length.
    inbox.accept({phoneNote(QStringLiteral("Newest"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return noteRow(*pane, 0)->text()->text() == QStringLiteral("Newest"); }, 5000));
    EXPECT_TRUE(made(2 * DashboardPane::kPhoneRowsPerScreen));
    EXPECT_EQ(noteRow(*pane, 1)->text()->text(), QStringLiteral("note 0"));
}

TEST_F(DashboardTest, ThePaperThemeRestylesEveryRowAtOnce) {
    history.setEntries({entry(QStringLiteral("one"), 1)});
    inbox.accept({phoneNote(QStringLiteral("note"))});
    auto pane = open();
    EXPECT_FALSE(pane->recentRows().constFirst()->paper());
    defaults.set(QStringLiteral("paperTheme"), true);
    EXPECT_TRUE(pane->recentRows().constFirst()->paper());
    EXPECT_TRUE(noteRow(*pane, 0)->paper());
}

TEST_F(DashboardTest, TheCardFollowsTheStatistics) {
    auto pane = open();
    stats.setTotals({1234, 10, 1234 / 142.0 * 60});
    EXPECT_TRUE(
        pane->heroCard()->statistics()->text().endsWith(QStringLiteral(" at 142 wpm, about 4 pages of writing.")));
    EXPECT_TRUE(pane->heroCard()->headline()->text().contains(QStringLiteral(">22m<")));
}

// The main window's view on these stores, counting the Dashboards it has made.
struct DashboardView {
    explicit DashboardView(std::function<DashboardServices()> services)
        : view(
            app,
            [this, services](MainWindowPane pane) -> QWidget* {
                if (pane != MainWindowPane::Dashboard)
                    return MainWindowView::titlePage(pane);
                ++made;
                return new DashboardPane(services());
            },
            true) {
        view.resize(1000, 700);
    }
    AppState app;
    int made = 0;
    MainWindowView view;
};

TEST_F(DashboardTest, AViewHiddenOnTheDashboardMakesTheNextOneAtOnceAndItsRowsTellTheirAgeWhenShown) {
    HistoryEntry recent = entry(QStringLiteral("just now"), 0);
    recent.date = kNow.addMSecs(-59'900);
    history.setEntries({recent});
    PhoneNote note = phoneNote(QStringLiteral("from the phone"));
    note.captured = kNow.addMSecs(-59'900);
    inbox.accept({note});
    inbox.setJustArrived(0);
    DashboardView shown([this] { return services(); });
    shown.view.show();
    ASSERT_EQ(shown.made, 1);

    shown.view.hide();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(shown.made, 2) << "the next Dashboard is made as soon as the view is hidden";
    auto* ahead = shown.view.findChild<DashboardPane*>();
    ASSERT_NE(ahead, nullptr);
    EXPECT_FALSE(ahead->isVisible());
    ASSERT_EQ(ahead->recentRows().size(), 1);
    EXPECT_EQ(ahead->recentRows().constFirst()->when()->text(), QStringLiteral("59 seconds ago"));

    // Time passes before the window opens again: the rows tell the age they have then.
    QTest::qWait(150);
    shown.view.show();
    EXPECT_EQ(shown.made, 2);
    EXPECT_EQ(shown.view.page(), ahead);
    EXPECT_TRUE(ahead->isVisible());
    EXPECT_EQ(ahead->recentRows().constFirst()->when()->text(), QStringLiteral("1 minute ago"));
    ASSERT_NE(noteRow(*ahead, 0), nullptr);
    EXPECT_EQ(noteRow(*ahead, 0)->age()->text(), QStringLiteral("1 minute ago"));
}

TEST_F(DashboardTest, ADashboardMadeAheadFollowsTheStoresAndOpeningAnotherPageLeavesNewNotesUnseen) {
    DashboardView shown([this] { return services(); });
    shown.view.show();
    shown.view.hide();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(shown.made, 2);

    // While the window is closed: a dictation, and notes from the phone.
    history.setEntries({entry(QStringLiteral("dictated while closed"), 2)});
    inbox.accept({phoneNote(QStringLiteral("a")), phoneNote(QStringLiteral("b"))});
    settle();
    ASSERT_EQ(inbox.justArrived(), 2);

    // Opening on another page neither shows nor throws away the Dashboard, so
    // the notes still count as new.
    shown.app.setRequestedPane(MainWindowPane::General);
    shown.view.show();
    EXPECT_EQ(shown.view.pane(), MainWindowPane::General);
    EXPECT_EQ(inbox.justArrived(), 2);

    shown.view.sidebar()->setCurrentRow(int(shown.view.sidebarPanes().indexOf(MainWindowPane::Dashboard)));
    EXPECT_EQ(shown.made, 2);
    auto* dashboard = qobject_cast<DashboardPane*>(shown.view.page());
    ASSERT_NE(dashboard, nullptr);
    ASSERT_EQ(dashboard->recentRows().size(), 1);
    EXPECT_EQ(dashboard->recentRows().constFirst()->when()->text(), QStringLiteral("2 minutes ago"));
    EXPECT_EQ(dashboard->phoneRows().size(), 2);
    ASSERT_NE(dashboard->arrivalBadge(), nullptr);
    EXPECT_EQ(dashboard->arrivalBadge()->text(), QStringLiteral("2 just arrived"));
}

} // namespace
