#include "phonelink/PhoneNoteCodec.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace PhoneNoteCodec {

namespace {

constexpr qsizetype kUuidLength = 36;
constexpr int kMaxOffsetHours = 23;
constexpr int kMaxOffsetMinutes = 59;
constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;
// The years the written form can hold: four digits, and no year 0.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

const QString kId = QStringLiteral("id");
const QString kTitle = QStringLiteral("title");
const QString kText = QStringLiteral("text");
const QString kCaptured = QStringLiteral("captured");
const QString kSeconds = QStringLiteral("seconds");
const QString kDevice = QStringLiteral("device");
const QString kDeviceID = QStringLiteral("deviceID");
const QString kOriginal = QStringLiteral("original");
const QString kCleanedBy = QStringLiteral("cleanedBy");

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The number written by the digits at [from, from + count), or -1.
int digits(const QString& text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text.at(i)))
            return -1;
        value = value * 10 + (text.at(i).unicode() - '0');
    }
    return value;
}

bool isHex(QChar c) {
    return isDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// An optional member: absent and null give an empty value; another type fails (outer nothing).
std::optional<std::optional<QString>> optionalText(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::optional<QString>();
    if (!value.isString())
        return std::nullopt;
    return std::optional<QString>(value.toString());
}

} // namespace

std::optional<QUuid> parseId(const QString& text) {
    if (text.size() != kUuidLength)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? text.at(i) != QLatin1Char('-') : !isHex(text.at(i)))
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

std::optional<QDateTime> parseCaptured(const QString& text) {
    // 2025-01-31T09:15:00Z or 2025-01-31T09:15:00+02:00
    constexpr qsizetype kBase = 19;
    if (text.size() != kBase + 1 && text.size() != kBase + 6)
        return std::nullopt;
    if (text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-') || text.at(10) != QLatin1Char('T')
        || text.at(13) != QLatin1Char(':') || text.at(16) != QLatin1Char(':'))
        return std::nullopt;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (text.size() == kBase + 1) {
        if (text.at(kBase) != QLatin1Char('Z'))
            return std::nullopt;
    } else {
        const QChar sign = text.at(kBase);
        if ((sign != QLatin1Char('+') && sign != QLatin1Char('-')) || text.at(kBase + 3) != QLatin1Char(':'))
            return std::nullopt;
        const int hours = digits(text, kBase + 1, 2), minutes = digits(text, kBase + 4, 2);
        if (hours < 0 || minutes < 0 || hours > kMaxOffsetHours || minutes > kMaxOffsetMinutes)
            return std::nullopt;
        offsetSeconds = (hours * kSecondsPerHour + minutes * kSecondsPerMinute) * (sign == QLatin1Char('-') ? -1 : 1);
    }
    const QDateTime local(date, time, Qt::OffsetFromUTC, offsetSeconds);
    if (!local.isValid())
        return std::nullopt;
    // The offset may carry a date at the edge of year 1 or 9999 into a year
    // the written form cannot hold; stored, it would make the whole inbox file
    // unreadable at the next start.
    const QDateTime utc = local.toUTC();
    const int utcYear = utc.date().year();
    if (utcYear < kFirstYear || utcYear > kLastYear)
        return std::nullopt;
    return utc;
}

QString formatCaptured(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::optional<PhoneNote> decodeNote(const QJsonObject& object) {
    const QJsonValue id = object.value(kId), text = object.value(kText), captured = object.value(kCaptured),
                     seconds = object.value(kSeconds);
    if (!id.isString() || !text.isString() || !captured.isString() || !seconds.isDouble())
        return std::nullopt;
    PhoneNote note;
    const std::optional<QUuid> uuid = parseId(id.toString());
    const std::optional<QDateTime> date = parseCaptured(captured.toString());
    if (!uuid || !date)
        return std::nullopt;
    note.id = *uuid;
    note.text = text.toString();
    note.captured = *date;
    note.seconds = seconds.toDouble();
    const auto title = optionalText(object, kTitle), device = optionalText(object, kDevice),
               deviceID = optionalText(object, kDeviceID), original = optionalText(object, kOriginal),
               cleanedBy = optionalText(object, kCleanedBy);
    if (!title || !device || !deviceID || !original || !cleanedBy)
        return std::nullopt;
    note.title = *title;
    note.device = *device;
    note.deviceID = *deviceID;
    note.original = *original;
    note.cleanedBy = *cleanedBy;
    return note;
}

std::optional<QList<PhoneNote>> decode(const QJsonArray& array) {
    QList<PhoneNote> notes;
    notes.reserve(array.size());
    for (const QJsonValue& value : array) {
        if (!value.isObject())
            return std::nullopt;
        std::optional<PhoneNote> note = decodeNote(value.toObject());
        if (!note)
            return std::nullopt;
        notes.append(std::move(*note));
    }
    return notes;
}

std::optional<QList<PhoneNote>> decode(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return decode(document.array());
}

QJsonObject encodeNote(const PhoneNote& note) {
    QJsonObject object;
    object.insert(kId, note.id.toString(QUuid::WithoutBraces).toUpper());
    if (note.title)
        object.insert(kTitle, *note.title);
    object.insert(kText, note.text);
    object.insert(kCaptured, formatCaptured(note.captured));
    object.insert(kSeconds, note.seconds);
    if (note.device)
        object.insert(kDevice, *note.device);
    if (note.deviceID)
        object.insert(kDeviceID, *note.deviceID);
    if (note.original)
        object.insert(kOriginal, *note.original);
    if (note.cleanedBy)
        object.insert(kCleanedBy, *note.cleanedBy);
    return object;
}

QByteArray encode(const QList<PhoneNote>& notes) {
    QList<QByteArray> entries;
    entries.reserve(notes.size());
    for (const PhoneNote& note : notes)
        entries.append(encodeEntry(note));
    return joinEntries(entries);
}

// An indented array of one note is "[\n", the note's lines and "\n]\n"; the
// lines are the note's entry in an array of any length.
QByteArray encodeEntry(const PhoneNote& note) {
    // A JSON object keeps its members sorted by key, which is the file's order.
    const QByteArray single = QJsonDocument(QJsonArray{encodeNote(note)}).toJson(QJsonDocument::Indented);
    return single.mid(2, single.size() - 5);
}

QByteArray joinEntries(const QList<QByteArray>& entries) {
    if (entries.isEmpty())
        return QByteArrayLiteral("[\n]\n");
    qsizetype size = 5;
    for (const QByteArray& entry : entries)
        size += entry.size() + 2;
    QByteArray file;
    file.reserve(size);
    file += "[\n";
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0)
            file += ",\n";
        file += entries.at(i);
    }
    file += "\n]\n";
    return file;
}

} // namespace PhoneNoteCodec
