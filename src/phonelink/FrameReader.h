#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// Reads the one frame a phone sends: a 4-byte big-endian length of 1 to
// 4,194,304, then exactly that many bytes. It asks only for the bytes the frame
// still lacks, so a caller that reads `wanted()` at a time never takes anything
// after the frame, and it holds at most the header and the bytes received so far.
// Any thread; one reader per connection.
class FrameReader {
public:
    static constexpr qsizetype kHeaderSize = 4;
    static constexpr std::uint32_t kMaxLength = 4'194'304;

    enum class State { Header, Payload, Complete, Invalid };

    State state() const { return m_state; }
    // The bytes the frame still needs; 0 once it is complete or invalid.
    qsizetype wanted() const;
    // The announced payload length; 0 until the header is in.
    std::uint32_t length() const { return m_length; }
    // Bytes held: header and payload so far.
    qsizetype buffered() const { return m_header.size() + m_payload.size(); }

    // Takes bytes from the front of `data`, never past the end of the frame (nor
    // past a header that is invalid), and answers how many it took.
    qsizetype feed(QByteArrayView data);
    // The payload of a complete frame (empty before); leaves the reader empty-handed.
    QByteArray takePayload();

private:
    State m_state = State::Header;
    QByteArray m_header;
    QByteArray m_payload;
    std::uint32_t m_length = 0;
};
