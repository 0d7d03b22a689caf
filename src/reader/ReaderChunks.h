#pragma once

#include <QString>
#include <QStringList>

// Cuts prepared text into the pieces the reader asks the speech engine for, one
// request each: whole sentences packed into chunks, the first short so that
// speech starts soon. Lengths count user-perceived characters. Pure, any thread.
namespace ReaderChunks {

inline constexpr int kFirstChunkLimit = 120;
inline constexpr int kChunkLimit = 640;
// A sentence longer than this is cut at white space into pieces no longer than
// it, so that no single request runs into the engine's time-out.
inline constexpr int kSentenceLimit = 2000;

// The chunks of `text`, trimmed and never empty; none for blank text.
QStringList splitForReader(const QString& text);

} // namespace ReaderChunks
