#pragma once

#include "phonelink/FrameReader.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A note document opened with the program: it holds the same batch of notes a
// phone sends in one frame, so only a regular file up to the frame's limit is
// read. Anything else (a FIFO, a device, a folder, a larger file) is refused
// without being read, so opening it neither waits for a writer nor fills
// memory. Blocking: call it off the GUI thread.
namespace NoteDocument {

inline constexpr qint64 kMaxBytes = FrameReader::kMaxLength;

struct Read {
    // The file's bytes; none when it was refused or could not be read.
    std::optional<QByteArray> data;
    // Why not, as a sentence for the user; empty when read.
    QString problem;
};

Read read(const QString& path);

} // namespace NoteDocument
