#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>

#include <memory>

// A D-Bus daemon of a test's own, with one connection for a stand-in service
// and one for the code under test. The stand-in answers from the test's
// thread, so it answers only while the event loop runs.
class PrivateSessionBus {
public:
    // False when no daemon could be started; connected() tells whether the
    // connections to it came up.
    bool start() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000))
            return false;
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_service = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, kServiceName));
        m_client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, kClientName));
        return true;
    }
    bool connected() const { return m_service && m_service->isConnected() && m_client->isConnected(); }

    // Calls still queued for the stand-in refer to the service connection, so
    // the stand-in at `path` goes, with them, before that connection does.
    void stop(const QString& path, QObject& standIn) {
        if (m_service) {
            m_service->unregisterObject(path);
            QCoreApplication::removePostedEvents(&standIn);
        }
        m_client.reset();
        m_service.reset();
        QDBusConnection::disconnectFromBus(kClientName);
        QDBusConnection::disconnectFromBus(kServiceName);
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    // Serves `standIn` as the accessibility bus launcher's object, whose
    // properties are the session's accessibility status.
    bool serveAccessibilityBus(QObject& standIn) {
        return m_service->registerObject(QStringLiteral("/org/a11y/bus"), &standIn,
                                         QDBusConnection::ExportAllProperties)
               && m_service->registerService(QStringLiteral("org.a11y.Bus"));
    }

    QDBusConnection& service() { return *m_service; }
    QDBusConnection& client() { return *m_client; }

private:
    static inline const QString kServiceName = QStringLiteral("stand-in");
    static inline const QString kClientName = QStringLiteral("client");

    QProcess m_daemon;
    std::unique_ptr<QDBusConnection> m_service;
    std::unique_ptr<QDBusConnection> m_client;
};
