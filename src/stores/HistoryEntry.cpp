#include "stores/HistoryEntry.h"

#include "support/JsonWriter.h"
#include "support/StoreFile.h"

void HistoryEntry::write(JsonWriter& json) const {
    json.beginObject();
    json.field(QStringLiteral("id"), id);
    json.field(QStringLiteral("date"), date);
    json.field(QStringLiteral("app"), app);
    json.field(QStringLiteral("text"), text);
    json.fieldIfPresent(QStringLiteral("original"), original);
    json.fieldIfPresent(QStringLiteral("originalLanguage"), originalLanguage);
    json.fieldIfPresent(QStringLiteral("translatedTo"), translatedTo);
    json.endObject();
}

std::optional<HistoryEntry> HistoryEntry::fromJson(const QJsonObject& object) {
    const auto id = StoreJson::uuid(object, QStringLiteral("id"));
    const auto date = StoreJson::date(object, QStringLiteral("date"));
    const auto app = StoreJson::string(object, QStringLiteral("app"));
    const auto text = StoreJson::string(object, QStringLiteral("text"));
    const auto original = StoreJson::optionalString(object, QStringLiteral("original"));
    const auto originalLanguage = StoreJson::optionalString(object, QStringLiteral("originalLanguage"));
    const auto translatedTo = StoreJson::optionalString(object, QStringLiteral("translatedTo"));
    if (!id || !date || !app || !text || !original || !originalLanguage || !translatedTo)
        return std::nullopt;
    return HistoryEntry{*id, *date, *app, *text, *original, *originalLanguage, *translatedTo};
}
