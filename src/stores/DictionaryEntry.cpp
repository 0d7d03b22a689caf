#include "stores/DictionaryEntry.h"

#include "support/JsonWriter.h"
#include "support/StoreFile.h"

void DictionaryEntry::write(JsonWriter& json) const {
    json.beginObject();
    json.field(QStringLiteral("id"), id);
    json.field(QStringLiteral("canonical"), canonical);
    json.field(QStringLiteral("variants"), variants);
    json.field(QStringLiteral("createdAt"), createdAt);
    json.endObject();
}

std::optional<DictionaryEntry> DictionaryEntry::fromJson(const QJsonObject& object) {
    const auto id = StoreJson::uuid(object, QStringLiteral("id"));
    const auto canonical = StoreJson::string(object, QStringLiteral("canonical"));
    const auto variants = StoreJson::stringList(object, QStringLiteral("variants"));
    const auto createdAt = StoreJson::date(object, QStringLiteral("createdAt"));
    if (!id || !canonical || !variants || !createdAt)
        return std::nullopt;
    return DictionaryEntry{*id, *canonical, *variants, *createdAt};
}
