#include "platform/linux/AtspiFlag.h"

#include "platform/linux/AtspiBus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QThread>

namespace {

const QString kStatusInterface = QStringLiteral("org.a11y.Status");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kEnabled = QStringLiteral("IsEnabled");

QDBusMessage statusCall(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(AtspiBus::kService, AtspiBus::kPath, kProperties, method);
    call.setArguments(arguments);
    return call;
}

} // namespace

AtspiFlag::AtspiFlag(const QDBusConnection& bus) : m_bus(bus) {
    m_bus.connect(AtspiBus::kService, AtspiBus::kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    refresh();
}

bool AtspiFlag::isOn() {
    refresh();
    return m_enabled;
}

void AtspiFlag::turnOn(std::function<void(bool on)> answered) {
    if (!m_bus.isConnected()) {
        if (answered)
            answered(false);
        return;
    }
    ++m_localChanges;
    const QDBusMessage set =
        statusCall(QStringLiteral("Set"), {kStatusInterface, kEnabled, QVariant::fromValue(QDBusVariant(true))});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(set, int(AtspiBus::kServiceTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                // A session may accept the call and keep the flag off: only the
                // value read back tells.
                ++m_localChanges;
                m_refreshing = false;
                refresh(answered);
            });
}

void AtspiFlag::refresh(std::function<void(bool on)> answered) {
    // The answer is taken by this object's thread; other threads read the cache.
    if (!m_bus.isConnected() || QThread::currentThread() != thread()) {
        if (answered)
            answered(m_enabled);
        return;
    }
    if (m_refreshing && !answered)
        return;
    m_refreshing = true;
    const quint64 changes = m_localChanges;
    const QDBusMessage get = statusCall(QStringLiteral("Get"), {kStatusInterface, kEnabled});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, int(AtspiBus::kServiceTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, changes, answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusMessage reply = call->reply();
                const bool on = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                                && reply.arguments().first().value<QDBusVariant>().variant().toBool();
                // An answer to a question asked before a change of ours is not
                // the new state (that change refreshes again), but it is still
                // what the bus said when asked.
                if (changes == m_localChanges) {
                    m_refreshing = false;
                    m_enabled = on;
                }
                if (answered)
                    answered(on);
            });
}

void AtspiFlag::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                    const QStringList& invalidated) {
    if (interface != kStatusInterface)
        return;
    if (changed.contains(kEnabled))
        m_enabled = changed.value(kEnabled).toBool();
    else if (invalidated.contains(kEnabled))
        refresh();
}
