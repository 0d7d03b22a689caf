#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

#include "support/JsonWriter.h"

// One user-data file: read leniently, written whole and atomically. When the
// contents could not be decoded, the file is kept: the first write moves it aside
// as "<name>.unreadable-<UTC time>" before the new contents take its place, so
// nothing the user wrote is lost to a damaged or newer-format file. The file
// and its folder are private to the user (support/PrivateFiles). A write
// stages the contents in ".<name>.quorvane-save" and renames that over the
// file. Reading also removes what a write of this file left behind when the
// program was killed in the middle of it (that staged copy, or the temporary
// file QSaveFile wrote it through, ".<name>.quorvane-save.<six letters>");
// other files in the folder, whatever their names, are never touched. Used on
// the thread that owns the store, and by one running program (a second launch
// quits).
class StoreFile {
public:
    explicit StoreFile(QString path);

    QString path() const { return m_path; }

    // The parsed file, or nothing when it is missing. A file that exists but cannot
    // be read or parsed gives nothing and is marked undecodable. Sweeps the
    // leftovers of interrupted writes first.
    std::optional<QJsonDocument> readJson();
    // Marks the file as holding contents the store could not use.
    void markUndecodable() { m_undecodable = true; }

    // Replaces the file with `data` atomically. A write failure is logged and leaves
    // the previous file in place. Answers whether the new contents were written.
    bool write(const QByteArray& data);

    // A stored JSON array of records, each decoded by `T::fromJson(QJsonObject)`.
    // A missing file gives an empty list; anything else that is not an array of
    // complete records gives an empty list and marks the file undecodable.
    template <typename T> QList<T> readList() {
        const std::optional<QJsonDocument> document = readJson();
        if (!document)
            return {};
        QList<T> records;
        if (document->isArray()) {
            const QJsonArray array = document->array();
            for (const QJsonValue& value : array) {
                std::optional<T> record = value.isObject() ? T::fromJson(value.toObject()) : std::nullopt;
                if (!record)
                    break;
                records.append(std::move(*record));
            }
            if (records.size() == array.size())
                return records;
        }
        markUndecodable();
        return {};
    }

    // Writes `records` as a JSON array, each through `T::write(JsonWriter&)`.
    template <typename T> bool writeList(const QList<T>& records) {
        JsonWriter json;
        json.beginArray();
        for (const T& record : records)
            record.write(json);
        json.endArray();
        return write(json.data());
    }

    // The name a damaged file is moved to, e.g. "history.json.unreadable-20261209T051500Z".
    static QString asideName(const QString& path, const QDateTime& utcNow);
    // Renames the file at `path` to a free aside name; false when it could not
    // be moved (then it must not be replaced either).
    static bool moveAside(const QString& path);
    // Deletes what interrupted writes of `path` left (".history.json.quorvane-save",
    // ".history.json.quorvane-save.iuDHZW"); answers how many went.
    static int sweepLeftovers(const QString& path);

private:
    QString m_path;
    bool m_undecodable = false;
};

// Strict field readers for decoding stored objects: a missing member or one of
// another type gives nothing, so the caller can reject the whole file.
namespace StoreJson {

std::optional<QString> string(const QJsonObject& object, const QString& key);
// A string, absent or null; any other type is an error (outer nothing).
std::optional<std::optional<QString>> optionalString(const QJsonObject& object, const QString& key);
std::optional<double> number(const QJsonObject& object, const QString& key);
// A number with an integral value that fits in 64 bits.
std::optional<qint64> integer(const QJsonObject& object, const QString& key);
// A UUID text of 36 characters in either case.
std::optional<QUuid> uuid(const QJsonObject& object, const QString& key);
// Seconds since 2001-01-01 00:00 UTC.
std::optional<QDateTime> date(const QJsonObject& object, const QString& key);
std::optional<QStringList> stringList(const QJsonObject& object, const QString& key);

} // namespace StoreJson
