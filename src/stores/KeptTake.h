#pragma once

#include "support/StoreFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The recording of the newest take the speech engine failed on, kept as
// "failed-take.wav" beside the history until it has been transcribed, so that
// an engine error never loses what the user said. One take at a time: a newer
// failure replaces it. GUI thread.
class KeptTake {
public:
    explicit KeptTake(const QString& folder);

    QString path() const { return m_file.path(); }
    // Replaces any kept take with `wav`, atomically; answers whether the file holds it.
    bool keep(const QByteArray& wav);
    // The kept take; nothing when none is kept or the file cannot be read.
    std::optional<QByteArray> wav() const;
    // When the kept take was kept (the file's time, UTC); nothing when none is.
    std::optional<QDateTime> keptAt() const;
    // Forgets the kept take (it has been transcribed).
    void discard();

private:
    StoreFile m_file;
};
