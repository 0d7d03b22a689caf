#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

// The accessibility bus, reached two ways: the accessibility library's own
// connection, made once for the whole program, and a connection of ours over
// Qt's D-Bus for reads made with every question in flight at once. Ours is
// asked for at construction without waiting and closed when this object goes.
// GUI thread only.
class AtspiBus : public QObject {
public:
    // The session bus's service that knows the accessibility bus and holds
    // the accessibility flag.
    static const QString kService;
    static const QString kPath;
    // How long that service may take to answer; nothing waits meanwhile.
    static constexpr std::chrono::milliseconds kServiceTimeout{2000};

    // Asks `session` for the accessibility bus's address, then connects to it
    // off this thread; nothing when `session` is not connected.
    explicit AtspiBus(const QDBusConnection& session);
    ~AtspiBus() override;

    // Our connection once it is made; none before or when it cannot be.
    const std::optional<QDBusConnection>& connection() const { return m_connection; }

    // Connects the library to the bus once, and tells whether it is there.
    // Without a bus nothing may call into the library: it ends the process at
    // its first request.
    static bool ensureLibrary();

private:
    std::optional<QDBusConnection> m_connection;
};
