#pragma once

#include <QByteArray>
#include <QString>

// Clean-up instructions and patterns are kept in the program as veiled bytes:
// their UTF-8 form XOR-ed with a repeating key, so they do not sit in the binary
// as plain text. Veiling and unveiling are the same operation.
// `scripts/veil.py` prints the stored form of a text.
namespace Veiled {

// The UTF-8 bytes of the key.
const QByteArray& key();
// The plain text of stored bytes; invalid UTF-8 becomes U+FFFD.
QString unveil(const QByteArray& stored);
// The stored form of a text.
QByteArray veil(const QString& text);

} // namespace Veiled
