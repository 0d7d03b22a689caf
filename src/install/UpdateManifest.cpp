#include "install/UpdateManifest.h"

#include "install/InstallFolder.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<UpdateManifest> UpdateManifest::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QLatin1String("version"));
    const QJsonValue url = object.value(QLatin1String("url"));
    const QJsonValue notes = object.value(QLatin1String("notes"));
    if (!version.isString() || !url.isString() || !(notes.isUndefined() || notes.isNull() || notes.isString()))
        return std::nullopt;
    UpdateManifest manifest;
    manifest.version = version.toString();
    if (!InstallFolder::isPlainVersion(manifest.version))
        return std::nullopt;
    manifest.url = url.toString();
    if (notes.isString())
        manifest.notes = notes.toString();
    const QJsonValue signature = object.value(QLatin1String("signature"));
    if (signature.isString()) {
        const auto decoded =
            QByteArray::fromBase64Encoding(signature.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            manifest.signature = decoded.decoded;
    }
    return manifest;
}
