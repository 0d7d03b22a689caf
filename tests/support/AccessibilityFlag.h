#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

// The desktop session's accessibility switch (org.a11y.Status IsEnabled), as
// the desktop's settings turn it on and off. Desktop tests only.
namespace AccessibilityFlag {

inline QDBusMessage statusCall(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

inline bool isOn() {
    const QDBusMessage reply =
        statusCall(QStringLiteral("Get"), {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")});
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
           && reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

inline void set(bool on) {
    statusCall(QStringLiteral("Set"),
               {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"), QVariant::fromValue(QDBusVariant(on))});
}

// Sets the switch for a scope and puts it back on afterwards, as the test
// harness leaves it.
class Scoped {
public:
    explicit Scoped(bool on) { set(on); }
    ~Scoped() { set(true); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
};

} // namespace AccessibilityFlag
