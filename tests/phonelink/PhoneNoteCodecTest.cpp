#include "phonelink/PhoneNoteCodec.h"
#include "phonelink/NoteEntries.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

const QByteArray kValid =
    R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","text":"hello","captured":"2025-01-31T09:15:00Z","seconds":2})";

// The valid note with `member` replaced by `json` (or removed when `json` is empty).
QByteArray withMember(const char* member, const QByteArray& json) {
    QJsonObject object = QJsonDocument::fromJson(kValid).object();
    if (json.isEmpty())
        object.remove(QLatin1String(member));
    else
        object.insert(QLatin1String(member), QJsonDocument::fromJson("[" + json + "]").array().at(0));
    return "[" + QJsonDocument(object).toJson(QJsonDocument::Compact) + "]";
}

TEST(PhoneNoteCodec, CapturedAcceptsOnlyWholeSecondsWithAnOffset) {
    struct Row {
        const char* text;
        std::optional<QDateTime> utc;
    };
    const auto utc = [](int y, int mo, int d, int h, int mi, int s) {
        return std::optional<QDateTime>(QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()));
    };
    const Row rows[] = {
        {"2025-01-31T09:15:00Z", utc(2025, 1, 31, 9, 15, 0)},
        {"2025-01-31T09:15:00+02:00", utc(2025, 1, 31, 7, 15, 0)},
        {"2025-01-31T01:15:00-05:30", utc(2025, 1, 31, 6, 45, 0)},
        {"2024-02-29T23:59:59Z", utc(2024, 2, 29, 23, 59, 59)},
        // The offset may carry the edge of the written years beyond them.
        {"9999-12-31T23:59:59Z", utc(9999, 12, 31, 23, 59, 59)},
        {"9999-12-31T22:59:59-01:00", utc(9999, 12, 31, 23, 59, 59)},
        {"9999-12-31T23:59:59-01:00", std::nullopt},
        {"9999-12-31T23:30:00-00:30", std::nullopt},
        {"0001-01-01T00:00:00Z", utc(1, 1, 1, 0, 0, 0)},
        {"0001-01-01T00:30:00-01:00", utc(1, 1, 1, 1, 30, 0)},
        {"0001-01-01T00:30:00+01:00", std::nullopt},
        {"0000-06-01T00:00:00Z", std::nullopt},
        {"2025-01-31T09:15:00.5Z", std::nullopt},
        {"2025-01-31T09:15:00", std::nullopt},
        {"2025-01-31 09:15:00Z", std::nullopt},
        {"2025-01-31T09:15Z", std::nullopt},
        {"2025-02-30T09:15:00Z", std::nullopt},
        {"2025-01-31T24:00:00Z", std::nullopt},
        {"2025-01-31T09:15:00+24:00", std::nullopt},
        {"2025-01-31T09:15:00+0200", std::nullopt},
        {"2025-01-31t09:15:00z", std::nullopt},
        {"+2025-01-31T09:15:00Z", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::optional<QDateTime> parsed = PhoneNoteCodec::parseCaptured(QString::fromLatin1(row.text));
        EXPECT_EQ(parsed.has_value(), row.utc.has_value()) << row.text;
        if (parsed && row.utc) {
            EXPECT_EQ(*parsed, *row.utc) << row.text;
        }
    }
}

TEST(PhoneNoteCodec, IdsAreTheHyphenatedFormInEitherCase) {
    EXPECT_TRUE(PhoneNoteCodec::parseId(QStringLiteral("6f9619ff-8b86-d011-b42d-00c04fc964ff")));
    EXPECT_TRUE(PhoneNoteCodec::parseId(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF")));
    EXPECT_FALSE(PhoneNoteCodec::parseId(QStringLiteral("6F9619FF8B86D011B42D00C04FC964FF")));
    EXPECT_FALSE(PhoneNoteCodec::parseId(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FG")));
    EXPECT_FALSE(PhoneNoteCodec::parseId(QStringLiteral("6F9619FF-8B86-D011-B42D_00C04FC964FF")));
}

TEST(PhoneNoteCodec, OneBadMemberFailsTheWholeArray) {
    struct Row {
        const char* what;
        QByteArray json;
        bool decodes;
    };
    const Row rows[] = {
        {"valid", "[" + kValid + "]", true},
        {"empty array", "[]", true},
        {"object at top", kValid, false},
        {"not JSON", "notes", false},
        {"no seconds", withMember("seconds", ""), false},
        {"seconds as text", withMember("seconds", "\"2\""), false},
        {"fractional seconds", withMember("seconds", "2.75"), true},
        {"no id", withMember("id", ""), false},
        {"braced id", withMember("id", "\"{6F9619FF-8B86-D011-B42D-00C04FC964FF}\""), false},
        {"no text", withMember("text", ""), false},
        {"no captured", withMember("captured", ""), false},
        {"captured with fraction", withMember("captured", "\"2025-01-31T09:15:00.250Z\""), false},
        {"null title", withMember("title", "null"), true},
        {"title a number", withMember("title", "3"), false},
        {"deviceID a list", withMember("deviceID", "[\"a\"]"), false},
        {"unknown member", withMember("mood", "\"calm\""), true},
        {"note not an object", "[" + kValid + ",3]", false},
        {"second note bad", "[" + kValid + "," + withMember("id", "").mid(1).chopped(1) + "]", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PhoneNoteCodec::decode(row.json).has_value(), row.decodes) << row.what;
}

TEST(PhoneNoteCodec, WritesSortedKeysAndReadsBackWhatItWrote) {
    PhoneNote full;
    full.id = QUuid::createUuid();
    full.title = QStringLiteral("a/b \"quoted\"");
    full.text = QStringLiteral("Text\nwith \u00e9 and \U0001F600");
    full.captured = QDateTime(QDate(2025, 1, 31), QTime(9, 15, 0), QTimeZone::utc());
    full.seconds = 12.25;
    full.device = QStringLiteral("Pixel");
    full.deviceID = QStringLiteral("dev-1");
    full.original = QStringLiteral("text with e");
    full.cleanedBy = QStringLiteral("Notes");
    PhoneNote bare;
    bare.id = QUuid::createUuid();
    bare.text = QStringLiteral("plain");
    bare.captured = QDateTime(QDate(2024, 12, 1), QTime(0, 0, 1), QTimeZone::utc());

    const QByteArray written = PhoneNoteCodec::encode({full, bare});
    const QString text = QString::fromUtf8(written);
    const QStringList order = {"captured", "cleanedBy", "device", "deviceID", "id",
                               "original", "seconds",   "text",   "title"};
    qsizetype at = 0;
    for (const QString& key : order) {
        const qsizetype next = text.indexOf(QLatin1Char('"') + key + QLatin1String("\":"), at);
        ASSERT_GT(next, at - 1) << key.toStdString();
        at = next + 1;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("\"2025-01-31T09:15:00Z\"")));
    EXPECT_TRUE(text.contains(full.id.toString(QUuid::WithoutBraces).toUpper()));
    EXPECT_TRUE(text.contains(QLatin1Char('\n'))) << "the inbox file is indented";
    const QJsonObject bareObject = QJsonDocument::fromJson(written).array().at(1).toObject();
    EXPECT_EQ(bareObject.keys(), (QStringList{"captured", "id", "seconds", "text"}));

    const std::optional<QList<PhoneNote>> read = PhoneNoteCodec::decode(written);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (QList<PhoneNote>{full, bare}));

    // Put together note by note, the file is byte for byte the indented
    // document earlier versions wrote.
    const auto document = [](const QList<PhoneNote>& notes) {
        QJsonArray array;
        for (const PhoneNote& note : notes)
            array.append(PhoneNoteCodec::encodeNote(note));
        return QJsonDocument(array).toJson(QJsonDocument::Indented);
    };
    EXPECT_EQ(written, document({full, bare}));
    EXPECT_EQ(PhoneNoteCodec::encode({bare}), document({bare}));
    EXPECT_EQ(PhoneNoteCodec::encode({}), document({}));
}

TEST(NoteEntries, EveryFileIsTheNotesAsTheyAreNow) {
    QList<PhoneNote> notes;
    for (int n = 0; n < 4; ++n) {
        PhoneNote note;
        note.id = QUuid::createUuid();
        note.text = QStringLiteral("note %1").arg(n);
        note.captured = QDateTime(QDate(2025, 1, 31), QTime(9, n, 0), QTimeZone::utc());
        notes.append(note);
    }
    NoteEntries entries;
    EXPECT_EQ(entries.file(notes), PhoneNoteCodec::encode(notes));

    notes[1].text = QStringLiteral("Polished note");
    notes[2].original = QStringLiteral("note 2");
    EXPECT_EQ(entries.file(notes), PhoneNoteCodec::encode(notes)) << "a changed note is written as it is now";
    notes.removeAt(0);
    PhoneNote arrived = notes.constLast();
    arrived.id = QUuid::createUuid();
    notes.prepend(arrived);
    EXPECT_EQ(entries.file(notes), PhoneNoteCodec::encode(notes));
    EXPECT_EQ(entries.file({}), PhoneNoteCodec::encode({}));
}

TEST(PhoneNoteDisplayTitle, UsesTheStoredTitleUnlessItIsOnlySpaces) {
    const auto titled = [](std::optional<QString> title, QString text) {
        PhoneNote note;
        note.title = std::move(title);
        note.text = std::move(text);
        return note.displayTitle();
    };
    EXPECT_EQ(titled(QStringLiteral(" Plan "), QStringLiteral("x")), QStringLiteral(" Plan "));
    EXPECT_EQ(titled(QStringLiteral("\n"), QStringLiteral("x")), QStringLiteral("\n"));
    // Spaces of every width and tabs count as empty titles.
    EXPECT_EQ(titled(QStringLiteral(" \t\u00a0\u2003\u3000"), QStringLiteral("from text")),
              QStringLiteral("from text"));
    EXPECT_EQ(titled(std::nullopt, QStringLiteral("one two three four five six")),
              QStringLiteral("one two three four five six"));
    EXPECT_EQ(titled(std::nullopt, QStringLiteral("one two three four five six seven")),
              QStringLiteral("one two three four five six\u2026"));
    // Words split at line breaks, no-break spaces, ideographic spaces and line separators.
    EXPECT_EQ(titled(std::nullopt, QStringLiteral("  a\nb\u00a0c\u3000d\u2028e\tf\u2029g ")),
              QStringLiteral("a b c d e f\u2026"));
    EXPECT_EQ(titled(std::nullopt, QStringLiteral("\n\n\u2028")), QStringLiteral("Untitled"));
    EXPECT_EQ(titled(std::nullopt, QString()), QStringLiteral("Untitled"));
}

} // namespace
