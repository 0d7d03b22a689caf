// Feeds the frame reader arbitrary bytes in pieces the input itself chooses,
// the way a socket hands them over, and checks what it promises: it never
// takes a byte past the frame, never holds more than the header and the
// announced payload, and a complete frame is exactly the announced length.
#include "phonelink/FrameReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the piece size, as a socket's reads would.
    const qsizetype piece = qsizetype(data[0] % 16) + 1;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype total = qsizetype(size) - 1;
    FrameReader reader;
    qsizetype offered = 0;
    while (offered < total && reader.wanted() > 0) {
        const qsizetype count = std::min(piece, total - offered);
        const qsizetype taken = reader.feed(QByteArrayView(bytes + offered, count));
        if (taken > count || taken <= 0)
            std::abort();
        offered += taken;
        if (reader.buffered() > FrameReader::kHeaderSize + qsizetype(reader.length()))
            std::abort();
        if (offered > FrameReader::kHeaderSize && offered > FrameReader::kHeaderSize + qsizetype(reader.length()))
            std::abort();
    }
    switch (reader.state()) {
    case FrameReader::State::Complete: {
        const QByteArray payload = reader.takePayload();
        if (payload.size() != qsizetype(reader.length()) || reader.length() == 0
            || reader.length() > FrameReader::kMaxLength || offered != FrameReader::kHeaderSize + payload.size())
            std::abort();
        break;
    }
    case FrameReader::State::Invalid:
        if (reader.length() != 0 && reader.length() <= FrameReader::kMaxLength)
            std::abort();
        if (offered != FrameReader::kHeaderSize)
            std::abort();
        break;
    case FrameReader::State::Header:
    case FrameReader::State::Payload:
        if (offered != total)
            std::abort();
        break;
    }
    return 0;
}
