#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Values fixed when the program is built: the maker's web site, the support
// address, the build number and the key release archives are signed with.
namespace BuildValues {

// The web site's root, e.g. "https://quorvane.example".
QUrl site();
// The support e-mail address.
QString supportAddress();
// The build number; "unknown" when the build set none.
QString buildNumber();
// The 32-byte Ed25519 public key of releases; empty when the build has none
// (or its value is not a valid key), and then no update is ever installed.
QByteArray releaseKey();
// The key a QUORVANE_UPDATE_PUBLIC_KEY value stands for: the base64 of its 32
// bytes, as scripts/make-release-key.sh prints it (white space around it is
// ignored); empty for anything else.
QByteArray releaseKeyFrom(const QByteArray& base64);

} // namespace BuildValues
