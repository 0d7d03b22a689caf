#include "phonelink/PhoneLink.h"

#include "phonelink/PhoneInbox.h"
#include "phonelink/PhoneListener.h"
#include "phonelink/PhoneNoteCodec.h"
#include "platform/ServiceAdvertiser.h"
#include "support/Defaults.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QtConcurrent>

#include <algorithm>
#include <functional>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcLink, "quorvane.phonelink")

// A /24 of IPv4, a /64 of IPv6.
constexpr quint32 kIPv4NetworkMask = 0xFFFFFF00u;
constexpr int kIPv6NetworkBytes = 8;

// The address a connection comes from, an IPv4 peer of a dual-stack listener
// in its IPv4 form; null when it cannot be read.
QHostAddress peerOf(int descriptor) {
    sockaddr_storage storage{};
    socklen_t size = sizeof storage;
    if (::getpeername(descriptor, reinterpret_cast<sockaddr*>(&storage), &size) != 0)
        return {};
    QHostAddress address(reinterpret_cast<const sockaddr*>(&storage));
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(ipv4) : address;
}

} // namespace

bool PhoneLink::isEnabled(const Defaults& defaults) { return defaults.boolOr(kEnabledKey, true); }

QHostAddress PhoneLink::prefixOf(const QHostAddress& peer) {
    if (peer.protocol() == QAbstractSocket::IPv4Protocol)
        return QHostAddress(peer.toIPv4Address() & kIPv4NetworkMask);
    if (peer.protocol() != QAbstractSocket::IPv6Protocol)
        return peer;
    Q_IPV6ADDR bytes = peer.toIPv6Address();
    std::fill(std::begin(bytes.c) + kIPv6NetworkBytes, std::end(bytes.c), quint8(0));
    return QHostAddress(bytes);
}

PhoneLink::PhoneLink(PhoneInbox& inbox, ServiceAdvertiser* advertiser, QHostAddress address, Limits limits,
                     QObject* parent)
    : QObject(parent), m_inbox(inbox), m_advertiser(advertiser), m_address(std::move(address)), m_limits(limits) {
    m_acceptRetry.setSingleShot(true);
    connect(&m_acceptRetry, &QTimer::timeout, this, &PhoneLink::resumeAccepting);
    if (m_advertiser)
        connect(m_advertiser, &ServiceAdvertiser::stateChanged, this, &PhoneLink::refreshState);
}

PhoneLink::~PhoneLink() { stop(); }

quint16 PhoneLink::port() const { return m_listener ? m_listener->serverPort() : 0; }

void PhoneLink::start() {
    if (m_listener)
        return;
    auto listener = std::make_unique<PhoneListener>([this](int descriptor) { accept(descriptor); });
    if (!listener->listen(m_address, 0)) {
        setLastError(listener->errorString());
        qCWarning(lcLink) << "phone link cannot listen:" << listener->errorString();
        return;
    }
    connect(listener.get(), &QTcpServer::acceptError, this, &PhoneLink::acceptFailed);
    m_listener = std::move(listener);
    m_nextBackoff = m_limits.acceptBackoff;
    setLastError(std::nullopt);
    if (m_advertiser)
        m_advertiser->advertise(kServiceType, m_listener->serverPort());
    refreshState();
}

void PhoneLink::stop() {
    if (m_advertiser)
        m_advertiser->withdraw();
    m_acceptRetry.stop();
    m_listener.reset();
    const QList<Open> open = m_connections;
    for (const Open& each : open)
        each.connection->abandon();
    refreshState();
}

void PhoneLink::acceptFailed(QAbstractSocket::SocketError error) {
    // The listener has paused itself; a burst of connections must not be
    // able to end the link for good.
    qCWarning(lcLink) << "phone link cannot accept connections:" << error << m_listener->errorString()
                      << "- listening again in" << m_nextBackoff.count() << "ms";
    m_acceptRetry.start(m_nextBackoff);
    m_nextBackoff = std::min(m_nextBackoff * 2, m_limits.longestAcceptBackoff);
    refreshState();
}

void PhoneLink::resumeAccepting() {
    if (!m_listener)
        return;
    m_listener->resumeAccepting();
    refreshState();
}

void PhoneLink::refreshState() {
    const bool accepting = m_listener && !m_acceptRetry.isActive();
    if (m_listener && !accepting)
        setLastError(m_listener->errorString());
    else if (m_listener && m_advertiser && m_advertiser->lastError())
        setLastError(m_advertiser->lastError());
    else if (m_listener)
        setLastError(std::nullopt);
    const bool advertising = accepting && (!m_advertiser || m_advertiser->isAdvertised());
    if (advertising != m_advertising) {
        m_advertising = advertising;
        emit isAdvertisingChanged();
    }
}

void PhoneLink::setLastError(std::optional<QString> error) {
    if (error == m_lastError)
        return;
    m_lastError = std::move(error);
    emit lastErrorChanged();
}

void PhoneLink::accept(int descriptor) {
    // Accepting again: the next failure starts its back-off afresh.
    m_nextBackoff = m_limits.acceptBackoff;
    const QHostAddress peer = peerOf(descriptor);
    if (!makeRoom(peer)) {
        qCDebug(lcLink) << "phone connection refused: every open one has delivered its frame";
        ::close(descriptor);
        return;
    }
    ++m_peers[peer].connections;
    ++m_prefixes[prefixOf(peer)].connections;
    PhoneConnection::Budget budget;
    // The connection is asked for by the budget only once it is made.
    const auto reader = std::make_shared<const PhoneConnection*>();
    budget.reserve = [this, peer, reader](qsizetype bytes) { return reserve(*reader, peer, bytes); };
    budget.release = [this, peer](qsizetype bytes) { release(peer, bytes); };
    auto* connection = new PhoneConnection(descriptor, m_limits.connection, budget, this);
    *reader = connection;
    m_connections.append({connection, peer});
    connect(connection, &PhoneConnection::frameRead, this,
            [this, connection, peer](const QByteArray& payload) { deliver(connection, peer, payload); });
    connect(connection, &PhoneConnection::closed, this, [this, connection, peer] {
        m_connections.removeIf([connection](const Open& open) { return open.connection == connection; });
        --m_peers[peer].connections;
        --m_prefixes[prefixOf(peer)].connections;
        forget(peer);
        connection->deleteLater();
    });
}

bool PhoneLink::closeOldest(const std::function<bool(const Open&)>& within, const PhoneConnection* keep) {
    const auto oldest = std::find_if(m_connections.cbegin(), m_connections.cend(), [&](const Open& open) {
        return open.connection != keep && !open.connection->hasFrame() && within(open);
    });
    if (oldest == m_connections.cend())
        return false;
    PhoneConnection* const closing = oldest->connection;
    qCDebug(lcLink) << "phone connection closed to make room for a newcomer:" << oldest->peer;
    // Closing takes it off the list and out of the counts at once.
    closing->abandon();
    return true;
}

bool PhoneLink::makeRoom(const QHostAddress& peer) {
    const QHostAddress prefix = prefixOf(peer);
    for (;;) {
        std::function<bool(const Open&)> within;
        if (m_peers.value(peer).connections >= m_limits.maxConnectionsPerPeer)
            within = [&peer](const Open& open) { return open.peer == peer; };
        else if (m_prefixes.value(prefix).connections >= m_limits.maxConnectionsPerPrefix)
            within = [&prefix](const Open& open) { return prefixOf(open.peer) == prefix; };
        else if (m_connections.size() >= m_limits.maxConnections)
            within = [](const Open&) { return true; };
        else
            return true;
        if (!closeOldest(within))
            return false;
    }
}

bool PhoneLink::reserve(const PhoneConnection* reader, const QHostAddress& peer, qsizetype bytes) {
    // One address's share is its own to fill: a frame past it is closed.
    if (m_peers.value(peer).buffered + bytes > m_limits.maxBufferedBytesPerPeer)
        return false;
    // Where others fill the network's share or the whole, the oldest of them
    // still short of a whole frame gives its bytes up.
    const QHostAddress prefix = prefixOf(peer);
    for (;;) {
        std::function<bool(const Open&)> within;
        if (m_prefixes.value(prefix).buffered + bytes > m_limits.maxBufferedBytesPerPrefix)
            within = [&prefix](const Open& open) {
                return open.connection->held() > 0 && prefixOf(open.peer) == prefix;
            };
        else if (m_buffered + bytes > m_limits.maxBufferedBytes)
            within = [](const Open& open) { return open.connection->held() > 0; };
        else
            break;
        if (!closeOldest(within, reader))
            return false;
    }
    m_buffered += bytes;
    m_peers[peer].buffered += bytes;
    m_prefixes[prefix].buffered += bytes;
    return true;
}

void PhoneLink::release(const QHostAddress& peer, qsizetype bytes) {
    m_buffered -= bytes;
    m_peers[peer].buffered -= bytes;
    m_prefixes[prefixOf(peer)].buffered -= bytes;
    forget(peer);
}

void PhoneLink::forget(const QHostAddress& peer) {
    // An address or network with nothing open leaves no entry behind.
    const auto unused = [](QHash<QHostAddress, PeerUse>& uses, const QHostAddress& key) {
        const auto use = uses.constFind(key);
        if (use != uses.cend() && use->connections == 0 && use->buffered == 0)
            uses.erase(use);
    };
    unused(m_peers, peer);
    unused(m_prefixes, prefixOf(peer));
}

bool PhoneLink::admitBatch(const QHostAddress& peer) {
    const auto now = std::chrono::steady_clock::now();
    const auto windowStart = now - m_limits.batchWindow;
    const auto expire = [windowStart](QHash<QHostAddress, QList<std::chrono::steady_clock::time_point>>& windows) {
        for (auto it = windows.begin(); it != windows.end();) {
            it->removeIf([windowStart](std::chrono::steady_clock::time_point at) { return at <= windowStart; });
            it = it->isEmpty() ? windows.erase(it) : std::next(it);
        }
    };
    expire(m_batches);
    expire(m_prefixBatches);
    const QHostAddress prefix = prefixOf(peer);
    if (m_batches.value(peer).size() >= m_limits.maxBatchesPerPeer
        || m_prefixBatches.value(prefix).size() >= m_limits.maxBatchesPerPrefix)
        return false;
    m_batches[peer].append(now);
    m_prefixBatches[prefix].append(now);
    return true;
}

void PhoneLink::deliver(PhoneConnection* connection, const QHostAddress& peer, const QByteArray& payload) {
    if (!admitBatch(peer)) {
        qCDebug(lcLink) << "phone batch refused: too many from one address or network";
        connection->abandon();
        return;
    }
    const QPointer<PhoneConnection> target(connection);
    // Up to 4 MiB of JSON: decoded away from the GUI thread.
    QtConcurrent::run([payload] {
        return PhoneNoteCodec::decode(payload);
    }).then(this, [this, target](const std::optional<QList<PhoneNote>>& batch) { import(target, batch); });
}

void PhoneLink::import(const QPointer<PhoneConnection>& target, const std::optional<QList<PhoneNote>>& batch) {
    const QPointer<PhoneLink> self(this);
    m_inbox.importBatch(batch, PhoneInbox::Source::Phone, [self, target](PhoneInbox::Resolution resolution) {
        if (!self) {
            if (target)
                target->abandon();
            return;
        }
        switch (resolution.kind) {
        case PhoneInbox::Resolution::Kind::Accepted:
            self->reply(target, resolution.imported, false);
            break;
        case PhoneInbox::Resolution::Kind::Discarded:
            self->reply(target, 0, true);
            break;
        case PhoneInbox::Resolution::Kind::Dropped:
            if (target)
                target->abandon();
            break;
        }
    });
}

void PhoneLink::reply(const QPointer<PhoneConnection>& connection, int imported, bool discarded) {
    if (imported >= 1 && imported != m_lastReceived) {
        m_lastReceived = imported;
        emit lastReceivedChanged();
    }
    if (connection)
        connection->sendReceipt(imported, discarded);
}
