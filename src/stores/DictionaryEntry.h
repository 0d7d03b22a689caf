#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class JsonWriter;

// One word of the personal dictionary: the spelling to produce and the
// mishearings the recogniser gives instead.
struct DictionaryEntry {
    QUuid id;
    QString canonical;
    QStringList variants;
    QDateTime createdAt;

    bool operator==(const DictionaryEntry& other) const = default;

    void write(JsonWriter& json) const;
    // Nothing when a member is missing or of the wrong type.
    static std::optional<DictionaryEntry> fromJson(const QJsonObject& object);
};
