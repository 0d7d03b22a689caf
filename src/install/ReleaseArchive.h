#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A downloaded release archive: its signature is checked over the exact bytes
// before anything in it is looked at, and only then is it unpacked, entry by
// entry, refusing anything that could land outside the destination. Blocking:
// run it off the GUI thread.
namespace ReleaseArchive {

inline constexpr int kPublicKeyBytes = 32;
inline constexpr int kSignatureBytes = 64;

struct Limits {
    // Entries (files and folders) in one archive.
    qint64 maxEntries = 20000;
    // Bytes of all unpacked files together.
    qint64 maxUnpackedBytes = qint64(2) * 1024 * 1024 * 1024;
};

// True only when `signature` is a valid Ed25519 signature by `publicKey` over
// the whole file at `archivePath`. Any doubt (no key, a key or signature of
// the wrong size, an unreadable file) is false.
bool verify(const QString& archivePath, const QByteArray& signature, const QByteArray& publicKey);

// Unpacks the archive (zip or tar, compressed or not) into `destination`,
// which must exist and be empty. Accepts only regular files and folders with
// relative names that stay inside; keeps the executable bits and nothing else
// of the recorded permissions. None on success, else what went wrong; a
// failed unpack may leave part of the files behind in `destination`.
std::optional<QString> unpack(const QString& archivePath, const QString& destination, const Limits& limits = {});

} // namespace ReleaseArchive
