#include "install/BuildValues.h"

namespace BuildValues {

namespace {
constexpr int kPublicKeyBytes = 32;
}

QUrl site() { return QUrl(QStringLiteral(QUORVANE_SITE)); }

QString supportAddress() { return QStringLiteral(QUORVANE_SUPPORT_ADDRESS); }

QString buildNumber() {
    const QString number = QStringLiteral(QUORVANE_BUILD_NUMBER);
    return number.isEmpty() ? QStringLiteral("unknown") : number;
}

QByteArray releaseKey() { return releaseKeyFrom(QByteArrayLiteral(QUORVANE_UPDATE_PUBLIC_KEY)); }

QByteArray releaseKeyFrom(const QByteArray& base64) {
    const auto decoded = QByteArray::fromBase64Encoding(base64.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != kPublicKeyBytes)
        return {};
    return decoded.decoded;
}

} // namespace BuildValues
