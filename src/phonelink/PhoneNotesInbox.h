#pragma once

#include "phonelink/PhoneNote.h"

#include <QList>
#include <QObject>

// What the Dashboard needs of the phone-note inbox: its notes (newest first),
// the size of the last accepted batch, removing one note and clearing all.
// Removing and clearing write the inbox file. GUI thread only.
class PhoneNotesInbox : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QList<PhoneNote> notes() const = 0;
    // The number of notes in the last accepted batch; 0 when none is new.
    virtual int justArrived() const = 0;
    virtual void setJustArrived(int count) = 0;
    // Removes the note with `note`'s id.
    virtual void remove(const PhoneNote& note) = 0;
    virtual void clear() = 0;

signals:
    void notesChanged();
    void justArrivedChanged();
};
