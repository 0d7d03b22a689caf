#pragma once

#include <QByteArray>

// The framed messages of the phone link: a 4-byte big-endian length, then the payload.
namespace PhoneFrame {

// `payload` with its length in front.
QByteArray frame(const QByteArray& payload);
// The framed receipt: {"ok":true,"imported":n,"discarded":b}.
QByteArray receipt(int imported, bool discarded);

} // namespace PhoneFrame
