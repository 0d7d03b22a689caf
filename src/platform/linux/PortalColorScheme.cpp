#include "platform/linux/PortalColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <chrono>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");
constexpr std::chrono::milliseconds kReadTimeout{2000};

// color-scheme values; 0 (no preference) and unknown values give none.
constexpr uint kDark = 1;
constexpr uint kLight = 2;

} // namespace

PortalColorScheme::PortalColorScheme(QObject* parent) : ColorScheme(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The bus connection finds the slot's argument types by name.
    qRegisterMetaType<QDBusVariant>();
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    read << kGroup << kKey;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, int(kReadTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        update(fromPortalValue(reply.arguments().constFirst()));
    });
}

PortalColorScheme::~PortalColorScheme() = default;

std::optional<bool> PortalColorScheme::prefersDark() const { return m_dark; }

std::optional<bool> PortalColorScheme::fromPortalValue(const QVariant& value) {
    // Read wraps the value in one or two variants, depending on the portal version.
    QVariant inner = value;
    while (inner.canConvert<QDBusVariant>())
        inner = inner.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = inner.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    if (scheme == kDark)
        return true;
    if (scheme == kLight)
        return false;
    return std::nullopt;
}

void PortalColorScheme::settingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
    if (group != kGroup || key != kKey)
        return;
    update(fromPortalValue(value.variant()));
}

void PortalColorScheme::update(std::optional<bool> preference) {
    if (preference == m_dark)
        return;
    m_dark = preference;
    emit changed();
}
