#include "phonelink/PhoneConnection.h"

#include "phonelink/PhoneFrame.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcConnection, "quorvane.phonelink")

constexpr qsizetype kReadChunk = 64 * 1024;

} // namespace

PhoneConnection::PhoneConnection(int descriptor, Limits limits, Budget budget, QObject* parent)
    : QObject(parent), m_descriptor(descriptor), m_limits(limits), m_budget(std::move(budget)) {
    m_readNotifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PhoneConnection::readSome);
    m_writeNotifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PhoneConnection::writeSome);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        qCDebug(lcConnection) << "phone connection timed out";
        closeNow();
    });
    m_deadline.start(m_limits.readDeadline);
}

PhoneConnection::~PhoneConnection() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    if (m_reserved > 0 && m_budget.release)
        m_budget.release(m_reserved);
}

void PhoneConnection::readSome() {
    if (m_lingering) {
        waitForPeer();
        return;
    }
    std::array<char, kReadChunk> chunk;
    const qsizetype wanted = std::min<qsizetype>(m_reader.wanted(), chunk.size());
    if (wanted <= 0)
        return;
    const ssize_t got = ::recv(m_descriptor, chunk.data(), size_t(wanted), MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (got <= 0) { // end of stream or an error before the frame was whole
        closeNow();
        return;
    }
    // Booked as held, not as announced: a header that promises 4 MiB and
    // stops there holds four bytes, and keeps no other phone's frame out.
    if (!m_budget.reserve || !m_budget.reserve(qsizetype(got))) {
        qCDebug(lcConnection) << "phone frame refused: buffers full";
        closeNow();
        return;
    }
    m_reserved += qsizetype(got);
    m_reader.feed(QByteArrayView(chunk.data(), got));
    switch (m_reader.state()) {
    case FrameReader::State::Invalid:
        closeNow();
        break;
    case FrameReader::State::Complete:
        m_readNotifier->setEnabled(false);
        m_deadline.start(m_limits.replyDeadline);
        emit frameRead(m_reader.takePayload());
        break;
    case FrameReader::State::Header:
    case FrameReader::State::Payload:
        break;
    }
}

void PhoneConnection::sendReceipt(int imported, bool discarded) {
    if (m_replied || m_descriptor < 0)
        return;
    m_replied = true;
    m_deadline.stop();
    if (m_reserved > 0 && m_budget.release)
        m_budget.release(m_reserved);
    m_reserved = 0;
    m_outgoing = PhoneFrame::receipt(imported, discarded);
    writeSome();
}

void PhoneConnection::writeSome() {
    while (!m_outgoing.isEmpty()) {
        const ssize_t sent =
            ::send(m_descriptor, m_outgoing.constData(), size_t(m_outgoing.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            m_deadline.start(m_limits.linger);
            return;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0) {
            closeNow();
            return;
        }
        m_outgoing.remove(0, sent);
    }
    m_writeNotifier->setEnabled(false);
    ::shutdown(m_descriptor, SHUT_WR);
    // Closing while the peer's unread bytes sit in our buffer would reset the
    // connection and could destroy the receipt on its way; give the peer the
    // linger time to read it and close first. What it still sends is read and
    // dropped, so that nothing unread is left behind when we close.
    m_deadline.start(m_limits.linger);
    m_lingering = true;
    m_readNotifier->setEnabled(true);
}

void PhoneConnection::waitForPeer() {
    std::array<char, kReadChunk> chunk;
    const ssize_t got = ::recv(m_descriptor, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)))
        return; // dropped; the notifier calls again while more waits
    closeNow(); // the peer closed, or the connection failed
}

void PhoneConnection::abandon() { closeNow(); }

void PhoneConnection::closeNow() {
    if (m_descriptor < 0)
        return;
    m_deadline.stop();
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
    ::close(m_descriptor);
    m_descriptor = -1;
    if (m_reserved > 0 && m_budget.release)
        m_budget.release(m_reserved);
    m_reserved = 0;
    emit closed();
}
