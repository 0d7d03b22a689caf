// Decodes arbitrary bytes as a batch of phone notes. Whatever decodes must
// encode and decode back to the same notes: the inbox file never holds
// something it cannot read again.
#include "phonelink/PhoneNoteCodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QList<PhoneNote>> notes = PhoneNoteCodec::decode(bytes);
    if (!notes)
        return 0;
    for (const PhoneNote& note : *notes)
        (void)note.displayTitle();
    const std::optional<QList<PhoneNote>> again = PhoneNoteCodec::decode(PhoneNoteCodec::encode(*notes));
    if (!again || *again != *notes)
        std::abort();
    return 0;
}
