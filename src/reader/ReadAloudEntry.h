#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

class JsonWriter;

// One pronunciation: a word as written and how it should sound.
struct ReadAloudEntry {
    QUuid id;
    QString word;
    QString sayAs;
    QDateTime createdAt;

    bool operator==(const ReadAloudEntry& other) const = default;

    void write(JsonWriter& json) const;
    // Nothing when a member is missing or of the wrong type.
    static std::optional<ReadAloudEntry> fromJson(const QJsonObject& object);
};

inline size_t qHash(const ReadAloudEntry& entry, size_t seed = 0) { return qHash(entry.id, seed); }
