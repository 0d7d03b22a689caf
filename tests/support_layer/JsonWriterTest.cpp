#include "support/JsonWriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(JsonWriterTest, WritesTheStoredFormatByteForByte) {
    const QDateTime date(QDate(2001, 1, 2), QTime(0, 0, 1, 500), QTimeZone::utc());
    const QUuid id(QStringLiteral("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}"));
    const std::optional<QString> absent;
    const std::optional<QString> present = QStringLiteral("fr");

    JsonWriter json;
    json.beginObject();
    json.field("id", id);
    json.field("date", date);
    json.field("app", QStringLiteral("a/b"));
    json.field("text", QStringLiteral("Grüße \"x\"\n"));
    json.fieldIfPresent("original", absent);
    json.fieldIfPresent("language", present);
    json.field("count", 3);
    json.field("tags", QStringList{"x", "y"});
    json.endObject();

    EXPECT_EQ(json.data(), QByteArray(R"({"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","date":86401.5,"app":"a\/b",)")
                               + QByteArray("\"text\":\"Gr\xC3\xBC\xC3\x9F"
                                            "e \\\"x\\\"\\n\",")
                               + QByteArray(R"("language":"fr","count":3,"tags":["x","y"]})"));
}

TEST(JsonWriterTest, NestedContainersAreSeparatedCorrectly) {
    JsonWriter json;
    json.beginArray();
    json.beginObject().field("a", true).key("b").null().endObject();
    json.beginObject().endObject();
    json.beginArray().value(1.25).value(qint64(-2)).endArray();
    json.endArray();
    EXPECT_EQ(json.data(), QByteArray(R"([{"a":true,"b":null},{},[1.25,-2]])"));
}

TEST(JsonWriterTest, OutputReadsBackWithQJsonDocument) {
    const QDateTime date = QDateTime::currentDateTimeUtc();
    JsonWriter json;
    json.beginObject()
        .field("date", date)
        .field("path", QStringLiteral("/x/y"))
        .field("ctl", QStringLiteral("\x01"))
        .endObject();
    const QJsonObject object = QJsonDocument::fromJson(json.data()).object();
    EXPECT_EQ(object.value("path").toString(), QStringLiteral("/x/y"));
    EXPECT_EQ(object.value("ctl").toString(), QStringLiteral("\x01"));
    const QDateTime back = JsonWriter::dateFromReferenceSeconds(object.value("date").toDouble());
    EXPECT_EQ(back.toMSecsSinceEpoch(), date.toMSecsSinceEpoch());
}

TEST(JsonWriterTest, NumbersUseTheShortestExactForm) {
    EXPECT_EQ(JsonWriter::formatNumber(5.0), QByteArray("5"));
    EXPECT_EQ(JsonWriter::formatNumber(0.1), QByteArray("0.1"));
    EXPECT_EQ(JsonWriter::formatNumber(786123456.789), QByteArray("786123456.789"));
    EXPECT_EQ(JsonWriter::formatNumber(std::numeric_limits<double>::quiet_NaN()), QByteArray("0"));
}

} // namespace
