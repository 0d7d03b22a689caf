#include "phonelink/PhoneFrame.h"

#include <QtEndian>

namespace PhoneFrame {

QByteArray frame(const QByteArray& payload) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(payload.size()), out.data());
    return out + payload;
}

QByteArray receipt(int imported, bool discarded) {
    return frame(QByteArrayLiteral("{\"ok\":true,\"imported\":") + QByteArray::number(imported)
                 + QByteArrayLiteral(",\"discarded\":")
                 + (discarded ? QByteArrayLiteral("true") : QByteArrayLiteral("false")) + '}');
}

} // namespace PhoneFrame
