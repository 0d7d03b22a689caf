#include "phonelink/NoteEntries.h"

#include "phonelink/PhoneNoteCodec.h"

QByteArray NoteEntries::file(const QList<PhoneNote>& notes) {
    QHash<QUuid, Entry> kept;
    kept.reserve(notes.size());
    QList<QByteArray> entries;
    entries.reserve(notes.size());
    for (const PhoneNote& note : notes) {
        const auto written = m_entries.constFind(note.id);
        Entry entry = written != m_entries.cend() && written->note == note
                          ? *written
                          : Entry{note, PhoneNoteCodec::encodeEntry(note)};
        entries.append(entry.bytes);
        kept.insert(note.id, std::move(entry));
    }
    m_entries = std::move(kept);
    return PhoneNoteCodec::joinEntries(entries);
}
