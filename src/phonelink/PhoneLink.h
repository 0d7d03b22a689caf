#pragma once

#include "phonelink/PhoneConnection.h"
#include "phonelink/PhoneNote.h"

#include <QAbstractSocket>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Defaults;
class PhoneInbox;
class PhoneListener;
class ServiceAdvertiser;

// Lets the companion phone app hand over notes: a TCP listener announced on
// the local network, one framed batch in per connection, one framed receipt out
// ({"ok":true,"imported":n,"discarded":b}), then the connection closes. A
// connection whose frame cannot be read, or whose batch was replaced by another
// waiting batch, is closed without a receipt. Connections and buffered bytes
// are limited in all, per peer address and per network (/24 for IPv4, /64 for
// IPv6), so that no one device on the network can keep the others out. A
// newcomer is never turned away because others fill a limit: at a limit of
// connections, or of bytes over all or for a network, the oldest connection
// within it still without a whole frame is closed to make room; only a frame
// past its own address's share of bytes is closed itself. A listener that
// cannot accept (the program is out of descriptors) pauses, is not reported as
// advertising, and listens again after a back-off. Batches are decoded on the
// thread pool, at most so many a minute from one address and from one network.
// GUI thread only.
class PhoneLink : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAdvertising READ isAdvertising NOTIFY isAdvertisingChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(int lastReceived READ lastReceived NOTIFY lastReceivedChanged)
public:
    static inline const QString kEnabledKey = QStringLiteral("phoneLinkEnabled");
    static inline const QString kServiceType = QStringLiteral("_quorvane._tcp");

    struct Limits {
        PhoneConnection::Limits connection;
        // Connections open at once. At a connection limit the oldest connection
        // within it that has not delivered a whole frame is closed for the
        // newcomer; when every one has, the newcomer is closed at once.
        int maxConnections = 64;
        // Connections open at once from one address.
        int maxConnectionsPerPeer = 8;
        // Frame bytes held over all connections, counted as they arrive. At
        // this limit and the network's, the oldest connection of another
        // that holds bytes but no whole frame is closed for the bytes.
        qsizetype maxBufferedBytes = qsizetype(16) * 1024 * 1024;
        // Frame bytes held for one address: its largest frame. A connection
        // that would go past a limit is closed without a receipt.
        qsizetype maxBufferedBytesPerPeer = FrameReader::kHeaderSize + qsizetype(FrameReader::kMaxLength);
        // The same for one network (prefixOf): a device with many addresses
        // (IPv6 privacy addresses, aliases) holds at most its network's share.
        int maxConnectionsPerPrefix = 16;
        qsizetype maxBufferedBytesPerPrefix = 2 * (FrameReader::kHeaderSize + qsizetype(FrameReader::kMaxLength));
        // Batches taken from one address, and from one network, in a window; a
        // batch past either is closed without a receipt, unread (the phone
        // keeps its notes).
        int maxBatchesPerPeer = 60;
        int maxBatchesPerPrefix = 120;
        std::chrono::milliseconds batchWindow{60'000};
        // After an accept that failed for want of resources (out of
        // descriptors), the first wait before listening again; each failure
        // in a row doubles it, up to the longest.
        std::chrono::milliseconds acceptBackoff{1000};
        std::chrono::milliseconds longestAcceptBackoff{30'000};
    };

    // "phoneLinkEnabled"; anything but a stored Boolean counts as on.
    static bool isEnabled(const Defaults& defaults);
    // The network `peer` belongs to for the limits: its /24 for IPv4, its /64
    // for IPv6, the host bits zero.
    static QHostAddress prefixOf(const QHostAddress& peer);

    // A link that feeds `inbox`, listens on `address` and announces itself
    // through `advertiser` (none: not announced).
    PhoneLink(PhoneInbox& inbox, ServiceAdvertiser* advertiser, QHostAddress address, Limits limits,
              QObject* parent = nullptr);
    ~PhoneLink() override;

    // Starts listening on a port the system picks, unless a listener exists.
    void start();
    // Stops listening and announcing; open connections close. `lastError` stays.
    void stop();

    bool isAdvertising() const { return m_advertising; }
    std::optional<QString> lastError() const { return m_lastError; }
    int lastReceived() const { return m_lastReceived; }
    // The listening port; 0 while stopped.
    quint16 port() const;
    int openConnections() const { return int(m_connections.size()); }

signals:
    void isAdvertisingChanged();
    void lastErrorChanged();
    void lastReceivedChanged();

private:
    // What the connections from one address, or one network, hold.
    struct PeerUse {
        int connections = 0;
        qsizetype buffered = 0;
    };

    // A connection open now, in the order they were accepted.
    struct Open {
        PhoneConnection* connection;
        QHostAddress peer;
    };

    void accept(int descriptor);
    // Closes, while a limit `peer`'s newcomer would pass is full, the oldest
    // connection within it without a whole frame; false when none is left to close.
    bool makeRoom(const QHostAddress& peer);
    void acceptFailed(QAbstractSocket::SocketError error);
    void resumeAccepting();
    // Closes the oldest connection without a whole frame for which `within`
    // holds, never `keep`; false when there is none.
    bool closeOldest(const std::function<bool(const Open&)>& within, const PhoneConnection* keep = nullptr);
    // Books `bytes` more for `reader`, from `peer`, closing the oldest
    // unfinished connections of others where they fill a limit.
    bool reserve(const PhoneConnection* reader, const QHostAddress& peer, qsizetype bytes);
    void release(const QHostAddress& peer, qsizetype bytes);
    void forget(const QHostAddress& peer);
    // Whether another batch from `peer` fits in its address's and its
    // network's window; books it in both when it does.
    bool admitBatch(const QHostAddress& peer);
    void deliver(PhoneConnection* connection, const QHostAddress& peer, const QByteArray& payload);
    void import(const QPointer<PhoneConnection>& target, const std::optional<QList<PhoneNote>>& batch);
    void reply(const QPointer<PhoneConnection>& connection, int imported, bool discarded);
    void refreshState();
    void setLastError(std::optional<QString> error);

    PhoneInbox& m_inbox;
    ServiceAdvertiser* m_advertiser;
    QHostAddress m_address;
    Limits m_limits;
    std::unique_ptr<PhoneListener> m_listener;
    // Set while the listener waits out an accept failure; the next wait.
    QTimer m_acceptRetry;
    std::chrono::milliseconds m_nextBackoff{0};
    QList<Open> m_connections;
    qsizetype m_buffered = 0;
    QHash<QHostAddress, PeerUse> m_peers;
    QHash<QHostAddress, PeerUse> m_prefixes;
    // When the batches of the current window came, oldest first, for each
    // address and for each network.
    QHash<QHostAddress, QList<std::chrono::steady_clock::time_point>> m_batches;
    QHash<QHostAddress, QList<std::chrono::steady_clock::time_point>> m_prefixBatches;
    bool m_advertising = false;
    std::optional<QString> m_lastError;
    int m_lastReceived = 0;
};
