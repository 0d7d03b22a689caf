#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

class JsonWriter;

// One finished dictation as the history lists it. The three translation fields
// are set only for a dictation that was translated.
struct HistoryEntry {
    QUuid id;
    QDateTime date;
    QString app;
    QString text;
    std::optional<QString> original;
    std::optional<QString> originalLanguage;
    std::optional<QString> translatedTo;

    bool operator==(const HistoryEntry& other) const = default;

    void write(JsonWriter& json) const;
    // Nothing when a required member is missing or a member has the wrong type.
    static std::optional<HistoryEntry> fromJson(const QJsonObject& object);
};
