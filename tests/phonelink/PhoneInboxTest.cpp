#include "phonelink/PhoneInbox.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "engine/LlmServer.h"
#include "phonelink/PhoneNoteCodec.h"
#include "support/Defaults.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Kind = PhoneInbox::Resolution::Kind;

PhoneNote note(const QString& text, int minute, std::optional<QString> deviceID = QStringLiteral("phone-a")) {
    PhoneNote made;
    made.id = QUuid::createUuid();
    made.text = text;
    made.captured = QDateTime(QDate(2026, 5, 1), QTime(9, minute), QTimeZone::utc());
    made.seconds = 3;
    made.device = QStringLiteral("Ada's phone");
    made.deviceID = std::move(deviceID);
    return made;
}

QByteArray batchOf(const QList<PhoneNote>& notes) {
    QJsonArray array;
    for (const PhoneNote& n : notes)
        array.append(PhoneNoteCodec::encodeNote(n));
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class PhoneInboxTest : public testing::Test {
protected:
    struct Asked {
        Alert alert;
        std::function<void(int)> answer;
    };
    struct Cleaning {
        QString source;
        std::shared_ptr<QPromise<QString>> promise;
        void finish(const QString& text) {
            promise->addResult(text);
            promise->finish();
        }
    };

    std::unique_ptr<PhoneInbox> open() {
        PhoneInbox::Services services;
        services.defaults = &defaults;
        services.modes = &modes;
        services.alerts = [this](const Alert& alert, std::function<void(int)> answered) {
            asked.append(Asked{alert, std::move(answered)});
        };
        services.clean = [this](const QString& text, const DictationMode&) {
            Cleaning cleaning{text, std::make_shared<QPromise<QString>>()};
            cleaning.promise->start();
            cleanings.append(cleaning);
            return cleaning.promise->future();
        };
        services.clock = [this] { return clock; };
        services.showDashboard = [this] { ++raised; };
        return std::make_unique<PhoneInbox>(folder.file("phone-inbox.json"), cleanup, services);
    }
    QList<PhoneNote> stored() const {
        return PhoneNoteCodec::decode(folder.read("phone-inbox.json")).value_or(QList<PhoneNote>{});
    }
    void trust(const QString& deviceID) { defaults.set(PhoneInbox::kKnownPhonesKey, QStringList{deviceID}); }
    // Records every resolution a reply gets.
    PhoneInbox::Reply recorder(QList<PhoneInbox::Resolution>& into) {
        return [&into](PhoneInbox::Resolution resolution) { into.append(resolution); };
    }

    TempFolder folder;
    Defaults defaults{folder.file("defaults.json")};
    ModeStore modes{defaults};
    CleanupEngine cleanup{defaults, LlmServer::shared()};
    QList<Asked> asked;
    QList<Cleaning> cleanings;
    std::chrono::steady_clock::time_point clock{std::chrono::hours(1)};
    int raised = 0;
};

TEST_F(PhoneInboxTest, TrustedPhoneIsStoredAtOnceNewestFirstWithOneRaisePerQuietSpell) {
    defaults.set(QStringLiteral("autoCleanLevel"), QStringLiteral("off"));
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    const PhoneNote early = note(QStringLiteral("early"), 1), late = note(QStringLiteral("late"), 30);
    QList<PhoneInbox::Resolution> replies;
    EXPECT_EQ(inbox->importNotes(batchOf({early, late}), PhoneInbox::Source::Phone, recorder(replies)), 2);
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0].kind, Kind::Accepted);
    EXPECT_EQ(replies[0].imported, 2);
    EXPECT_EQ(inbox->notes(), (QList<PhoneNote>{late, early}));
    EXPECT_EQ(stored(), inbox->notes());
    EXPECT_EQ(inbox->justArrived(), 2);

    // A later batch stands in front whatever its dates; the window is not raised again so soon.
    const PhoneNote older = note(QStringLiteral("older"), 0);
    EXPECT_EQ(inbox->importNotes(batchOf({older}), PhoneInbox::Source::Phone), 1);
    EXPECT_EQ(inbox->notes().first(), older);
    EXPECT_EQ(raised, 1);
    clock += PhoneInbox::kRaiseQuiet;
    inbox->importNotes(batchOf({note(QStringLiteral("next"), 2)}), PhoneInbox::Source::Phone);
    EXPECT_EQ(raised, 2);
    settle();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(cleanings.isEmpty()) << "polish is off";
}

TEST_F(PhoneInboxTest, KnownIdsAndRepeatsWithinABatchAreNotTakenTwice) {
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    PhoneNote first = note(QStringLiteral("first copy"), 1);
    PhoneNote repeat = first;
    repeat.text = QStringLiteral("second copy");
    EXPECT_EQ(inbox->importNotes(batchOf({first, repeat}), PhoneInbox::Source::Phone), 1);
    ASSERT_EQ(inbox->notes().size(), 1);
    EXPECT_EQ(inbox->notes().first().text, QStringLiteral("first copy"));

    inbox->setJustArrived(0);
    const QByteArray fileBefore = folder.read("phone-inbox.json");
    QList<PhoneInbox::Resolution> replies;
    EXPECT_EQ(inbox->importNotes(batchOf({first}), PhoneInbox::Source::Phone, recorder(replies)), 0);
    EXPECT_EQ(inbox->importNotes("not json", PhoneInbox::Source::Phone, recorder(replies)), 0);
    ASSERT_EQ(replies.size(), 2);
    EXPECT_EQ(replies[0].kind, Kind::Accepted);
    EXPECT_EQ(replies[0].imported, 0);
    EXPECT_EQ(replies[1].imported, 0);
    EXPECT_EQ(inbox->justArrived(), 0);
    EXPECT_EQ(folder.read("phone-inbox.json"), fileBefore);
}

TEST_F(PhoneInboxTest, AnAnswerAppliesOnlyToTheBatchItWasAskedAbout) {
    auto inbox = open();
    QList<PhoneInbox::Resolution> first, second;
    const PhoneNote a = note(QStringLiteral("from a"), 1, QStringLiteral("phone-a"));
    EXPECT_EQ(inbox->importNotes(batchOf({a, note(QStringLiteral("a2"), 2, QStringLiteral("phone-a"))}),
                                 PhoneInbox::Source::Phone, recorder(first)),
              0);
    EXPECT_TRUE(asked.isEmpty()) << "the question is queued, not asked inside the import";
    settle();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].alert.title, QStringLiteral("Notes from Ada's phone"));
    EXPECT_TRUE(asked[0].alert.text.startsWith(QStringLiteral("2 notes "))) << asked[0].alert.text.toStdString();
    EXPECT_EQ(asked[0].alert.buttons.size(), 3) << "remembering the phone is offered";

    // Another unknown phone replaces the waiting batch; the first connection gets no receipt.
    PhoneNote b = note(QStringLiteral("from b"), 3, QStringLiteral("phone-b"));
    b.device = QStringLiteral("Eve\u202e\u0007 ") + QString(80, QLatin1Char('x'));
    inbox->importNotes(batchOf({b}), PhoneInbox::Source::Phone, recorder(second));
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].kind, Kind::Dropped);
    settle();
    EXPECT_EQ(asked.size(), 1) << "no second alert while one is open";

    // The open question was about phone A: answering it trusts nobody and stores nothing.
    asked[0].answer(0);
    EXPECT_TRUE(inbox->notes().isEmpty());
    EXPECT_FALSE(defaults.stringList(PhoneInbox::kKnownPhonesKey).has_value());
    EXPECT_TRUE(second.isEmpty());
    settle();
    ASSERT_EQ(asked.size(), 2);
    const QString title = asked[1].alert.title;
    EXPECT_TRUE(title.startsWith(QStringLiteral("Notes from Eve x"))) << title.toStdString();
    EXPECT_EQ(title.size(), QStringLiteral("Notes from ").size() + PhoneInbox::kDeviceNameLimit + 1);
    EXPECT_EQ(asked[1].alert.text.left(7), QStringLiteral("1 note "));
    asked[1].answer(0);
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(second[0].kind, Kind::Accepted);
    EXPECT_EQ(second[0].imported, 1);
    EXPECT_EQ(defaults.stringList(PhoneInbox::kKnownPhonesKey), QStringList{QStringLiteral("phone-b")});
    EXPECT_EQ(stored(), (QList<PhoneNote>{b}));

    // Remembered: the phone's next batch needs no question.
    EXPECT_EQ(inbox->importNotes(batchOf({note(QStringLiteral("again"), 4, QStringLiteral("phone-b"))}),
                                 PhoneInbox::Source::Phone),
              1);
}

TEST_F(PhoneInboxTest, BatchesThatDoNotAllNameOneTrustedPhoneAreAsked) {
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    QList<PhoneInbox::Resolution> anonymous, mixed, discarded;
    // No device id: asked, and nothing can be remembered.
    EXPECT_EQ(inbox->importNotes(batchOf({note(QStringLiteral("anon"), 1, std::nullopt)}), PhoneInbox::Source::Phone,
                                 recorder(anonymous)),
              0);
    settle();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].alert.buttons.size(), 2) << "nothing to remember";
    asked[0].answer(0);
    ASSERT_EQ(anonymous.size(), 1);
    EXPECT_EQ(anonymous[0].imported, 1);
    EXPECT_EQ(defaults.stringList(PhoneInbox::kKnownPhonesKey), QStringList{QStringLiteral("phone-a")});

    // A trusted id first and a stranger after it: asked; discarding stores nothing.
    inbox->importNotes(batchOf({note(QStringLiteral("ok"), 2), note(QStringLiteral("sneaky"), 3, QStringLiteral("x"))}),
                       PhoneInbox::Source::Phone, recorder(mixed));
    settle();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[1].alert.buttons.size(), 2);
    asked[1].answer(1);
    ASSERT_EQ(mixed.size(), 1);
    EXPECT_EQ(mixed[0].kind, Kind::Discarded);
    EXPECT_EQ(inbox->notes().size(), 1);

    // A question that goes away unanswered (the program quits) stores nothing
    // and sends no receipt, so the phone keeps its notes.
    inbox->importNotes(batchOf({note(QStringLiteral("closed"), 4, QStringLiteral("y"))}), PhoneInbox::Source::Phone,
                       recorder(discarded));
    settle();
    asked.last().answer(-1);
    ASSERT_EQ(discarded.size(), 1);
    EXPECT_EQ(discarded[0].kind, Kind::Dropped);
    EXPECT_EQ(inbox->notes().size(), 1);

    // A document the user opened keeps the first-note rule.
    EXPECT_EQ(inbox->importNotes(batchOf({note(QStringLiteral("doc"), 5, std::nullopt),
                                          note(QStringLiteral("d2"), 6, QStringLiteral("z"))}),
                                 PhoneInbox::Source::Document),
              2);
}

TEST_F(PhoneInboxTest, PolishRewritesInThePhoneModeAndKeepsThePhonesText) {
    trust(QStringLiteral("phone-a"));
    defaults.set(QStringLiteral("endWithPeriod"), false);
    auto inbox = open();
    PhoneNote plain = note(QStringLiteral("um so the plan"), 1);
    PhoneNote fromPhone = note(QStringLiteral("an earlier rewrite"), 2);
    fromPhone.original = QStringLiteral("the phone's own words");
    PhoneNote removed = note(QStringLiteral("short lived"), 3);
    inbox->importNotes(batchOf({plain, fromPhone, removed}), PhoneInbox::Source::Phone);
    settle();
    // One note at a time, in batch order.
    ASSERT_EQ(cleanings.size(), 1);
    EXPECT_EQ(cleanings[0].source, plain.text);
    cleanings[0].finish(QStringLiteral("So the plan.\n"));
    settle();
    ASSERT_EQ(cleanings.size(), 2);
    EXPECT_EQ(cleanings[1].source, QStringLiteral("the phone's own words"));
    inbox->remove(removed); // while the second note is cleaned
    cleanings[1].finish(QStringLiteral("The phone's own words."));
    settle();
    ASSERT_EQ(cleanings.size(), 2) << "a removed note is skipped";

    const QList<PhoneNote> notes = inbox->notes();
    ASSERT_EQ(notes.size(), 2);
    const PhoneNote& polished = notes[1];
    EXPECT_EQ(polished.text, QStringLiteral("So the plan"));
    EXPECT_EQ(polished.original, plain.text);
    EXPECT_EQ(polished.cleanedBy, DictationMode::notes(defaults).name);
    EXPECT_EQ(notes[0].text, QStringLiteral("The phone's own words"));
    EXPECT_EQ(notes[0].original, QStringLiteral("the phone's own words"));
    EXPECT_EQ(stored(), notes) << "the pass ends with a save";
}

TEST_F(PhoneInboxTest, EachRewriteIsSavedAsItIsDoneAndRemovalsDuringPolishStay) {
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    const PhoneNote first = note(QStringLiteral("one"), 1), second = note(QStringLiteral("two"), 2),
                    third = note(QStringLiteral("three"), 3);
    inbox->importNotes(batchOf({first, second, third}), PhoneInbox::Source::Phone);
    settle();
    cleanings[0].finish(QStringLiteral("One!"));
    settle();
    EXPECT_EQ(stored()[2].text, QStringLiteral("One!")) << "a quit now keeps the first rewrite";
    EXPECT_EQ(stored()[1].text, QStringLiteral("two"));
    cleanings[1].finish(QStringLiteral("Two!"));
    settle();
    EXPECT_EQ(stored()[1].text, QStringLiteral("Two!"));
    inbox->clear();
    cleanings[2].finish(QStringLiteral("Three!"));
    settle();
    EXPECT_TRUE(inbox->notes().isEmpty());
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(PhoneInboxTest, ModesThatKeepEveryWordOrDoNotPolishLeaveNotesAsSent) {
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    for (const QString& mode : {QStringLiteral("code"), QStringLiteral("verbatim")}) {
        defaults.set(PhoneInbox::kPhoneNoteModeKey, mode);
        inbox->importNotes(batchOf({note(mode, 1)}), PhoneInbox::Source::Phone);
        settle();
        EXPECT_TRUE(cleanings.isEmpty()) << mode.toStdString();
    }
    defaults.set(PhoneInbox::kPhoneNoteModeKey, QStringLiteral("no-such-mode"));
    defaults.set(QStringLiteral("autoCleanLevel"), QStringLiteral("off"));
    EXPECT_EQ(inbox->phoneMode().id, QStringLiteral("notes"));
    inbox->importNotes(batchOf({note(QStringLiteral("off"), 2)}), PhoneInbox::Source::Phone);
    settle();
    EXPECT_TRUE(cleanings.isEmpty());
    for (const PhoneNote& held : inbox->notes())
        EXPECT_FALSE(held.original.has_value());
}

TEST_F(PhoneInboxTest, ADateBeyondTheWrittenYearsRefusesTheBatchAndTheInboxStillReadsAfterARestart) {
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    ASSERT_EQ(inbox->importNotes(batchOf({note(QStringLiteral("kept"), 1)}), PhoneInbox::Source::Phone), 1);
    // The note as the phone would send it, with its date written as given.
    const auto capturedAt = [](const QString& captured) {
        QJsonObject object = PhoneNoteCodec::encodeNote(note(QStringLiteral("edge"), 2));
        object.insert(QStringLiteral("captured"), captured);
        return object;
    };
    const auto batchWith = [&](const QString& captured) {
        QJsonArray array{PhoneNoteCodec::encodeNote(note(QStringLiteral("fine"), 3)), capturedAt(captured)};
        return QJsonDocument(array).toJson(QJsonDocument::Compact);
    };
    // In UTC these are 10000-01-01T00:59:59 and 0000-12-31T23:30:00.
    for (const QString& beyond :
         {QStringLiteral("9999-12-31T23:59:59-01:00"), QStringLiteral("0001-01-01T00:30:00+01:00")}) {
        for (const PhoneInbox::Source source : {PhoneInbox::Source::Phone, PhoneInbox::Source::Document}) {
            QList<PhoneInbox::Resolution> replies;
            EXPECT_EQ(inbox->importNotes(batchWith(beyond), source, recorder(replies)), 0) << beyond.toStdString();
            ASSERT_EQ(replies.size(), 1);
            EXPECT_EQ(replies[0].kind, Kind::Accepted);
            EXPECT_EQ(replies[0].imported, 0) << beyond.toStdString();
        }
    }
    EXPECT_EQ(inbox->notes().size(), 1);

    // The last and first moments the file can hold are taken and read back.
    EXPECT_EQ(inbox->importNotes(batchWith(QStringLiteral("9999-12-31T22:59:59-01:00")), PhoneInbox::Source::Phone), 2);
    EXPECT_EQ(inbox->importNotes(QJsonDocument(QJsonArray{capturedAt(QStringLiteral("0001-01-01T00:30:00-01:00"))})
                                     .toJson(QJsonDocument::Compact),
                                 PhoneInbox::Source::Phone),
              1);
    const QList<PhoneNote> held = inbox->notes();
    inbox.reset();
    EXPECT_EQ(open()->notes(), held) << "the file reads back whole at the next start";
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("phone-inbox.json.unreadable-*")}).isEmpty());
}

TEST_F(PhoneInboxTest, AnUndecodableFileIsKeptAsideAndTheNextSaveStartsAfresh) {
    folder.write("phone-inbox.json", R"({"id":"not an array"})");
    trust(QStringLiteral("phone-a"));
    auto inbox = open();
    EXPECT_TRUE(inbox->notes().isEmpty());
    inbox->importNotes(batchOf({note(QStringLiteral("new"), 1)}), PhoneInbox::Source::Phone);
    EXPECT_EQ(stored().size(), 1);
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("phone-inbox.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(folder.read(aside.first()), QByteArray(R"({"id":"not an array"})"));
}

} // namespace

namespace {

TEST(PhoneInboxFile, TheVariableNamesTheFileUnlessItIsEmpty) {
    {
        ScopedEnvironment set("QV_PHONE_INBOX", "relative/inbox.json");
        EXPECT_EQ(PhoneInbox::standardFilePath(), QStringLiteral("relative/inbox.json"));
        EXPECT_FALSE(QDir(QStringLiteral("relative")).exists()) << "no folder is made for it";
    }
    ScopedEnvironment empty("QV_PHONE_INBOX", "");
    const QString path = PhoneInbox::standardFilePath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Quorvane/phone-inbox.json"))) << path.toStdString();
    EXPECT_TRUE(QFileInfo(path).dir().exists());
}

} // namespace
