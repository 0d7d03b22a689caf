#pragma once

#include "phonelink/PhoneNote.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QString>

#include <optional>

// The JSON form of phone notes, shared by the phone's batches, the inbox file
// and opened note documents: always an array of note objects. Reading is
// strict: a missing or mistyped required member, a bad UUID or a bad date
// anywhere fails the whole array. Any thread.
namespace PhoneNoteCodec {

// A batch, file or document; nothing when it is not an array of valid notes.
std::optional<QList<PhoneNote>> decode(const QByteArray& json);
std::optional<QList<PhoneNote>> decode(const QJsonArray& array);
std::optional<PhoneNote> decodeNote(const QJsonObject& object);

// The inbox file: indented, keys sorted, dates in UTC with "Z", UUIDs in upper
// case, optional members left out when empty.
QByteArray encode(const QList<PhoneNote>& notes);
QJsonObject encodeNote(const PhoneNote& note);
// The inbox file put together from notes encoded one by one, so that a writer
// can keep the entries of notes that did not change: encode(notes) is
// joinEntries of each note's encodeEntry.
QByteArray encodeEntry(const PhoneNote& note);
QByteArray joinEntries(const QList<QByteArray>& entries);

// An RFC 3339 date and time with whole seconds and "Z" or a "+hh:mm"/"-hh:mm"
// offset; nothing for any other form (fractions, no offset, out-of-range fields)
// and for a time whose UTC date falls outside the years 1 to 9999.
std::optional<QDateTime> parseCaptured(const QString& text);
// The written form: UTC, whole seconds, "Z" ("2025-01-31T09:15:00Z").
QString formatCaptured(const QDateTime& date);
// The 36-character hyphenated form in either case; nothing for braces or any other form.
std::optional<QUuid> parseId(const QString& text);

} // namespace PhoneNoteCodec
