#pragma once

#include "phonelink/FrameReader.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QSocketNotifier;

// One accepted phone connection on a plain socket descriptor: reads one frame,
// hands it on, sends one receipt and closes. POSIX calls rather than
// QTcpSocket, because a phone may close its sending side right after the frame
// and wait for the receipt, which QTcpSocket would take for a full close.
// GUI thread; owns and closes the descriptor.
class PhoneConnection : public QObject {
    Q_OBJECT
public:
    struct Limits {
        // From the accept to the last byte of the frame.
        std::chrono::milliseconds readDeadline{30'000};
        // From the frame to the receipt (the user's answer about an unknown phone).
        std::chrono::milliseconds replyDeadline{600'000};
        // After the receipt: how long the peer may take to close before we do.
        std::chrono::milliseconds linger{2'000};
    };

    // `reserve(n)` asks the link for n more bytes of frame buffer, booked as
    // they arrive (never from the length a header announces), and answers
    // whether they were granted; `release(n)` gives them back.
    struct Budget {
        std::function<bool(qsizetype)> reserve;
        std::function<void(qsizetype)> release;
    };

    PhoneConnection(int descriptor, Limits limits, Budget budget, QObject* parent = nullptr);
    ~PhoneConnection() override;

    // Sends the framed receipt, ends our side and closes once the peer has closed
    // or the linger time passed. Only once; nothing after the connection closed.
    void sendReceipt(int imported, bool discarded);
    // Closes without a receipt.
    void abandon();
    // Whether the whole frame has come in (it may since have been answered).
    bool hasFrame() const { return m_reader.state() == FrameReader::State::Complete; }
    // The frame bytes booked with the link so far.
    qsizetype held() const { return m_reserved; }

signals:
    // The complete payload; reading has stopped.
    void frameRead(const QByteArray& payload);
    // The descriptor was closed; the link deletes the connection later.
    void closed();

private:
    void readSome();
    void writeSome();
    // After the receipt: reads and drops what the peer still sends, and closes
    // once it has closed.
    void waitForPeer();
    void closeNow();

    int m_descriptor;
    Limits m_limits;
    Budget m_budget;
    FrameReader m_reader;
    qsizetype m_reserved = 0;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QTimer m_deadline;
    QByteArray m_outgoing;
    bool m_replied = false;
    bool m_lingering = false;
};
