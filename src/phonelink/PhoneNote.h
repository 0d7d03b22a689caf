#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

// One note dictated on the companion phone app. `original` and `cleanedBy` are
// set when the note was rewritten here: the phone's own text and the name of
// the mode that rewrote it.
struct PhoneNote {
    QUuid id;
    std::optional<QString> title;
    QString text;
    QDateTime captured;
    double seconds = 0;
    std::optional<QString> device;
    std::optional<QString> deviceID;
    std::optional<QString> original;
    std::optional<QString> cleanedBy;

    bool operator==(const PhoneNote& other) const = default;

    // The line the note is listed under: the title as stored when it holds more
    // than spaces and tabs; else the text's first six words (with "…" when
    // there are more); else "Untitled".
    QString displayTitle() const;
};
