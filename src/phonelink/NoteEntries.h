#pragma once

#include "phonelink/PhoneNote.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QUuid>

// The inbox file's entry of each note written last, so that writing the inbox
// again encodes only the notes that are new or changed since: with a thousand
// notes waiting, a phone's receipt waits for its own notes, not for all of them.
class NoteEntries {
public:
    // The inbox file of `notes`, the same bytes as PhoneNoteCodec::encode.
    QByteArray file(const QList<PhoneNote>& notes);

private:
    struct Entry {
        PhoneNote note;
        QByteArray bytes;
    };
    QHash<QUuid, Entry> m_entries;
};
