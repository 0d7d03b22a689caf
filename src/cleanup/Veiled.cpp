#include "cleanup/Veiled.h"

namespace {

QByteArray xorWithKey(QByteArray bytes) {
    const QByteArray& key = Veiled::key();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ key[i % key.size()]);
    return bytes;
}

} // namespace

namespace Veiled {

const QByteArray& key() {
    static const QByteArray bytes = QByteArrayLiteral("amber-tide-salt-41xq7");
    return bytes;
}

QString unveil(const QByteArray& stored) { return QString::fromUtf8(xorWithKey(stored)); }

QByteArray veil(const QString& text) { return xorWithKey(text.toUtf8()); }

} // namespace Veiled
