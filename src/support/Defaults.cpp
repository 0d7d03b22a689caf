#include "support/Defaults.h"

#include "support/Paths.h"
#include "support/PrivateFiles.h"
#include "support/SharedInstance.h"
#include "support/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace {

// The settings in `data`: an empty file holds none; nothing when the text is
// not a JSON object.
std::optional<QJsonObject> decode(const QByteArray& data) {
    if (data.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

bool readJson(QIODevice& device, QSettings::SettingsMap& map) {
    const std::optional<QJsonObject> object = decode(device.readAll());
    if (!object)
        return false;
    for (auto it = object->begin(); it != object->end(); ++it)
        map.insert(it.key(), it.value().toVariant());
    return true;
}

// Whether the file at `path` exists and holds something other than settings.
bool isDamaged(const QString& path) {
    QFile in(path);
    return in.open(QIODevice::ReadOnly) && !decode(in.readAll());
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map) {
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), QJsonValue::fromVariant(it.value()));
    return device.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) >= 0;
}

QSettings::Format jsonFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson, Qt::CaseSensitive);
    return format;
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

// The user's settings, read by free functions all through the program.
Defaults& Defaults::shared() { return SharedInstance<Defaults>::get(); }

QString Defaults::standardFilePath() { return Paths::config() + QStringLiteral("/Quorvane/defaults.json"); }

Defaults::Defaults(const QString& filePath, QObject* parent) : QObject(parent) {
    PrivateFiles::makeFolder(QFileInfo(filePath).absolutePath());
    m_settings = std::make_unique<QSettings>(filePath, jsonFormat());
}

Defaults::~Defaults() = default;

QString Defaults::filePath() const { return m_settings->fileName(); }

bool Defaults::contains(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    return m_inMemory ? m_inMemory->contains(key) : m_settings->contains(key);
}

QVariant Defaults::value(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    return m_inMemory ? m_inMemory->value(key) : m_settings->value(key);
}

std::optional<bool> Defaults::boolean(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::Bool)
        return std::nullopt;
    return stored.toBool();
}

bool Defaults::boolOr(const QString& key, bool fallback) const { return boolean(key).value_or(fallback); }

std::optional<qint64> Defaults::integer(const QString& key) const {
    const QVariant stored = value(key);
    if (!isNumber(stored))
        return std::nullopt;
    if (stored.typeId() == QMetaType::Double || stored.typeId() == QMetaType::Float) {
        const double number = stored.toDouble();
        // Whole numbers inside the range a 64-bit integer holds exactly.
        if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.0e18)
            return std::nullopt;
        return static_cast<qint64>(number);
    }
    if (stored.typeId() == QMetaType::ULongLong && stored.toULongLong() > quint64(INT64_MAX))
        return std::nullopt;
    return stored.toLongLong();
}

qint64 Defaults::intOr(const QString& key, qint64 fallback) const { return integer(key).value_or(fallback); }

std::optional<double> Defaults::number(const QString& key) const {
    const QVariant stored = value(key);
    if (!isNumber(stored))
        return std::nullopt;
    return stored.toDouble();
}

double Defaults::doubleOr(const QString& key, double fallback) const { return number(key).value_or(fallback); }

std::optional<QString> Defaults::string(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::QString)
        return std::nullopt;
    return stored.toString();
}

QString Defaults::stringOr(const QString& key, const QString& fallback) const { return string(key).value_or(fallback); }

std::optional<QStringList> Defaults::stringList(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList();
    if (stored.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList texts;
    for (const QVariant& item : stored.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        texts << item.toString();
    }
    return texts;
}

QVariantList Defaults::list(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() == QMetaType::QVariantList || stored.typeId() == QMetaType::QStringList)
        return stored.toList();
    return {};
}

QVariantMap Defaults::map(const QString& key) const {
    const QVariant stored = value(key);
    return stored.typeId() == QMetaType::QVariantMap ? stored.toMap() : QVariantMap{};
}

bool Defaults::keepDamagedFile() {
    const QString path = m_settings->fileName();
    if (!isDamaged(path) || StoreFile::moveAside(path))
        return true;
    qWarning("Not writing %s: the unreadable file could not be moved aside", qPrintable(path));
    return false;
}

void Defaults::set(const QString& key, const QVariant& value) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_inMemory) {
            m_inMemory->insert(key, value);
        } else {
            if (!keepDamagedFile())
                return;
            // QSettings writes through a temporary file that takes the
            // rights of the file it replaces, and the umask's for a new one.
            PrivateFiles::claim(m_settings->fileName());
            m_settings->setValue(key, value);
            m_settings->sync();
        }
    }
    emit changed(key);
}

void Defaults::remove(const QString& key) {
    {
        QMutexLocker lock(&m_mutex);
        if (m_inMemory) {
            m_inMemory->remove(key);
        } else {
            if (!keepDamagedFile())
                return;
            PrivateFiles::claim(m_settings->fileName());
            m_settings->remove(key);
            m_settings->sync();
        }
    }
    emit changed(key);
}

void Defaults::clear() {
    QMutexLocker lock(&m_mutex);
    if (m_inMemory) {
        m_inMemory->clear();
        return;
    }
    m_settings->clear();
    m_settings->sync();
    // QSettings would make the folder again on its next write; a map cannot.
    m_inMemory.emplace();
}
