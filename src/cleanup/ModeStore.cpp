#include "cleanup/ModeStore.h"

#include "support/Defaults.h"
#include "support/JsonWriter.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace {

// The stored list: JSON text, or (written by hand) the array itself.
std::optional<QList<DictationMode>> decode(const QVariant& stored) {
    QJsonArray array;
    if (stored.typeId() == QMetaType::QString || stored.typeId() == QMetaType::QByteArray) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(stored.toString().toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isArray())
            return std::nullopt;
        array = document.array();
    } else if (stored.typeId() == QMetaType::QVariantList) {
        array = QJsonArray::fromVariantList(stored.toList());
    } else {
        return std::nullopt;
    }
    QList<DictationMode> modes;
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
        const auto mode = DictationMode::fromJson(element.toObject());
        if (!mode)
            return std::nullopt;
        modes << *mode;
    }
    return modes;
}

} // namespace

ModeStore::ModeStore(Defaults& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_activeMode(DictationMode::notes(settings)) {
    load();
}

void ModeStore::setModes(const QList<DictationMode>& modes) {
    m_modes = modes;
    emit modesChanged();
}

void ModeStore::setActiveMode(const DictationMode& mode) {
    if (mode == m_activeMode)
        return;
    m_activeMode = mode;
    emit activeModeChanged();
}

bool ModeStore::isEnabled() const { return m_settings.boolOr(enabledKey, true); }

std::optional<DictationMode> ModeStore::mode(const QString& id) const {
    if (id == QLatin1String("notes"))
        return DictationMode::notes(m_settings);
    for (const DictationMode& mode : m_modes)
        if (mode.id == id)
            return mode;
    return std::nullopt;
}

DictationMode ModeStore::resolve(const std::optional<QString>& bundleID) const {
    if (!isEnabled())
        return DictationMode::notes(m_settings);
    if (const auto pinned = m_settings.string(pinnedKey))
        if (const auto mode = this->mode(*pinned))
            return *mode;
    if (bundleID && !bundleID->isEmpty()) {
        const QString app = bundleID->toLower();
        for (const DictationMode& mode : m_modes)
            for (const QString& prefix : mode.appIDs)
                if (app.startsWith(prefix.toLower()))
                    return mode;
    }
    return DictationMode::notes(m_settings);
}

DictationMode ModeStore::add() {
    DictationMode mode;
    mode.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    mode.name = QStringLiteral("New mode");
    mode.symbol = QStringLiteral("sparkles");
    mode.cleanLevel = CleanLevel::Balanced;
    mode.numberStyle = NumberStyle::Smart;
    m_modes << mode;
    save();
    return mode;
}

void ModeStore::update(const DictationMode& mode) {
    for (DictationMode& existing : m_modes) {
        if (existing.id == mode.id) {
            existing = mode;
            save();
            return;
        }
    }
}

void ModeStore::remove(const DictationMode& mode) {
    if (mode.isBuiltIn)
        return;
    const qsizetype removed = m_modes.removeIf([&](const DictationMode& m) { return m.id == mode.id; });
    if (removed > 0)
        save();
}

void ModeStore::save() {
    if (m_unreadable.isValid()) {
        const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        m_settings.set(modesKey + QStringLiteral(".unreadable-") + stamp, m_unreadable);
        m_unreadable.clear();
    }
    JsonWriter json;
    json.beginArray();
    for (const DictationMode& mode : m_modes)
        mode.write(json);
    json.endArray();
    m_settings.set(modesKey, QString::fromUtf8(json.data()));
    emit modesChanged();
}

void ModeStore::load() {
    m_builtIns = DictationMode::builtIns(m_settings);
    const QVariant stored = m_settings.value(modesKey);
    const auto decoded = stored.isValid() ? decode(stored) : std::nullopt;
    m_unreadable = stored.isValid() && !decoded ? stored : QVariant();
    if (!decoded || decoded->isEmpty()) {
        setModes(m_builtIns);
        return;
    }
    QList<DictationMode> result;
    for (DictationMode mode : *decoded) {
        const auto builtIn = std::find_if(m_builtIns.cbegin(), m_builtIns.cend(),
                                          [&](const DictationMode& b) { return b.id == mode.id; });
        if (mode.isBuiltIn && builtIn != m_builtIns.cend()) {
            mode.name = builtIn->name;
            mode.symbol = builtIn->symbol;
        }
        result << mode;
    }
    for (const DictationMode& builtIn : m_builtIns) {
        const bool stored =
            std::any_of(decoded->cbegin(), decoded->cend(), [&](const DictationMode& m) { return m.id == builtIn.id; });
        if (!stored)
            result << builtIn;
    }
    setModes(result);
}
