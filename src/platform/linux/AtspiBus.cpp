// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiBus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QLoggingCategory>
#include <QtConcurrent>

namespace {

Q_LOGGING_CATEGORY(lcAtspi, "quorvane.atspi", QtWarningMsg)

// The name of our own connection to the accessibility bus.
const QString kOwnBusConnection = QStringLiteral("quorvane-accessibility");

// Keeps what the library says while it looks for its bus out of the
// program's output: a session without one is a state, not an error.
void quietly(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
    qCInfo(lcAtspi) << domain << message;
}

} // namespace

const QString AtspiBus::kService = QStringLiteral("org.a11y.Bus");
const QString AtspiBus::kPath = QStringLiteral("/org/a11y/bus");

// Asked for without waiting: until the bus answers, reads are made the ordinary way.
AtspiBus::AtspiBus(const QDBusConnection& session) {
    if (!session.isConnected())
        return;
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    auto* watcher = new QDBusPendingCallWatcher(session.asyncCall(ask, int(kServiceTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const QString address = reply.arguments().first().toString();
        if (address.isEmpty())
            return;
        // Connecting waits for the bus's greeting: not on this thread.
        QtConcurrent::run([address] {
            return QDBusConnection::connectToBus(address, kOwnBusConnection);
        }).then(this, [this](const QDBusConnection& bus) {
            if (bus.isConnected())
                m_connection = bus;
        });
    });
}

AtspiBus::~AtspiBus() { QDBusConnection::disconnectFromBus(kOwnBusConnection); }

bool AtspiBus::ensureLibrary() {
    static const bool ready = [] {
        const GLogFunc previous = g_log_set_default_handler(quietly, nullptr);
        const int status = atspi_init();
        g_log_set_default_handler(previous, nullptr);
        // 0: connected now, 1: connected before; anything else: no bus.
        const bool connected = status == 0 || status == 1;
        if (!connected)
            qCWarning(lcAtspi) << "no accessibility bus: the text around the caret cannot be read";
        return connected;
    }();
    return ready;
}
