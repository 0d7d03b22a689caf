#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the maker publishes about the newest release, decoded from JSON.
// "version" and "url" are required texts, "notes" an optional text (null is
// none), "signature" the base64 Ed25519 signature over the archive; other keys
// are ignored. A version that is not plain digits and dots (at most 32
// characters) makes the manifest unusable, so no value from the network ever
// reaches a script as anything but a checked version.
struct UpdateManifest {
    QString version;
    QString url;
    std::optional<QString> notes;
    // Decoded signature bytes; empty when the key is absent or not base64.
    QByteArray signature;

    static std::optional<UpdateManifest> fromJson(const QByteArray& json);
};
