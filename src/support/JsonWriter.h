#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// Writes JSON the way the stored files expect it: compact, object keys in the
// order they are written, "/" escaped as "\/", non-ASCII text as UTF-8, dates as
// seconds since 2001-01-01 00:00 UTC and UUIDs in upper case. Reading is left to
// QJsonDocument.
//
//     JsonWriter json;
//     json.beginObject();
//     json.field("id", entry.id);
//     json.fieldIfPresent("original", entry.original);
//     json.endObject();
//     file.write(json.data());
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // Names the next value inside an object.
    JsonWriter& key(const QString& name);

    JsonWriter& value(const QString& text);
    JsonWriter& value(const char* text);
    JsonWriter& value(bool flag);
    JsonWriter& value(int number);
    JsonWriter& value(qint64 number);
    JsonWriter& value(double number);
    JsonWriter& value(const QDateTime& date);
    JsonWriter& value(const QUuid& uuid);
    JsonWriter& value(const QStringList& texts);
    JsonWriter& null();

    template <typename T> JsonWriter& field(const QString& name, const T& v) { return key(name).value(v); }
    // Writes the member only when it holds a value, as optional fields are stored.
    template <typename T> JsonWriter& fieldIfPresent(const QString& name, const std::optional<T>& v) {
        return v ? field(name, *v) : *this;
    }

    QByteArray data() const { return m_out; }

    // The stored form of a date: seconds since 2001-01-01 00:00 UTC.
    static double referenceSeconds(const QDateTime& date);
    static QDateTime dateFromReferenceSeconds(double seconds);
    // A number as the stored files write it: shortest text that reads back exactly.
    static QByteArray formatNumber(double number);
    static QByteArray quoted(const QString& text);

private:
    void separate();

    QByteArray m_out;
    // One entry per open container: whether it already holds a member.
    QList<bool> m_hasMember;
    bool m_afterKey = false;
};
