#include "phonelink/FrameReader.h"

#include <algorithm>

qsizetype FrameReader::wanted() const {
    switch (m_state) {
    case State::Header:
        return kHeaderSize - m_header.size();
    case State::Payload:
        return qsizetype(m_length) - m_payload.size();
    case State::Complete:
    case State::Invalid:
        break;
    }
    return 0;
}

qsizetype FrameReader::feed(QByteArrayView data) {
    qsizetype taken = 0;
    while (taken < data.size() && wanted() > 0) {
        const qsizetype count = std::min(wanted(), data.size() - taken);
        const QByteArrayView piece = data.sliced(taken, count);
        taken += count;
        if (m_state == State::Header) {
            m_header.append(piece);
            if (m_header.size() < kHeaderSize)
                continue;
            const auto byte = [this](int i) { return std::uint32_t(static_cast<unsigned char>(m_header.at(i))); };
            m_length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
            m_state = m_length == 0 || m_length > kMaxLength ? State::Invalid : State::Payload;
        } else {
            m_payload.append(piece);
            if (m_payload.size() == qsizetype(m_length))
                m_state = State::Complete;
        }
    }
    return taken;
}

QByteArray FrameReader::takePayload() {
    return m_state == State::Complete ? std::exchange(m_payload, QByteArray()) : QByteArray();
}
