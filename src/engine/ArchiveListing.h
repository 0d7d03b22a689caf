#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Judges an archive by its verbose listing (`tar -tvzf`, run with LC_ALL=C and
// --numeric-owner) before anything is unpacked. Refused: absolute names, names
// with a ".." part, symbolic links that are absolute or climb with "..", hard
// links, devices, fifos and other special files, unreadable lines, and a listed
// total over kMaxUnpackedBytes. Pure; any thread.
namespace ArchiveListing {

inline constexpr qint64 kMaxUnpackedBytes = qint64{4} << 30;

// The reason the listing is refused, or none when it may be unpacked.
std::optional<QString> refusal(const QByteArray& listing);

} // namespace ArchiveListing
