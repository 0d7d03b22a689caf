#include "reader/ReadAloudEntry.h"

#include "support/JsonWriter.h"
#include "support/StoreFile.h"

void ReadAloudEntry::write(JsonWriter& json) const {
    json.beginObject();
    json.field(QStringLiteral("id"), id);
    json.field(QStringLiteral("word"), word);
    json.field(QStringLiteral("sayAs"), sayAs);
    json.field(QStringLiteral("createdAt"), createdAt);
    json.endObject();
}

std::optional<ReadAloudEntry> ReadAloudEntry::fromJson(const QJsonObject& object) {
    const auto id = StoreJson::uuid(object, QStringLiteral("id"));
    const auto word = StoreJson::string(object, QStringLiteral("word"));
    const auto sayAs = StoreJson::string(object, QStringLiteral("sayAs"));
    const auto createdAt = StoreJson::date(object, QStringLiteral("createdAt"));
    if (!id || !word || !sayAs || !createdAt)
        return std::nullopt;
    return ReadAloudEntry{*id, *word, *sayAs, *createdAt};
}
