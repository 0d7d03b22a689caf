#include "engine/EngineKey.h"

#include <QRandomGenerator>

#include <array>

namespace EngineKey {

namespace {

constexpr qsizetype kWords = 8;

QByteArray fresh() {
    std::array<quint32, kWords> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.data()), qsizetype(sizeof(words))).toHex();
}

} // namespace

QByteArray value() {
    static const QByteArray key = fresh();
    return key;
}

void sign(QNetworkRequest& request) { request.setRawHeader(kHeader, value()); }

QProcessEnvironment withKey(QProcessEnvironment environment) {
    environment.insert(QLatin1String(kVariable), QString::fromLatin1(value()));
    return environment;
}

} // namespace EngineKey
