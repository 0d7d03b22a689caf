#pragma once

#include "phonelink/PhoneNotesInbox.h"

// Phone notes held in memory; counts clears.
class FakePhoneNotesInbox : public PhoneNotesInbox {
public:
    QList<PhoneNote> notes() const override { return m_notes; }
    int justArrived() const override { return m_justArrived; }
    void setJustArrived(int count) override {
        if (count == m_justArrived)
            return;
        m_justArrived = count;
        emit justArrivedChanged();
    }
    void remove(const PhoneNote& note) override {
        m_notes.removeIf([&](const PhoneNote& held) { return held.id == note.id; });
        emit notesChanged();
    }
    void clear() override {
        ++clears;
        m_notes.clear();
        emit notesChanged();
    }

    // A batch accepted from the phone, put first.
    void accept(const QList<PhoneNote>& batch) {
        m_notes = batch + m_notes;
        emit notesChanged();
        setJustArrived(int(batch.size()));
    }

    // A note changed in place, as the polish pass after an arrival does.
    void replaceNote(const PhoneNote& changed) {
        for (PhoneNote& held : m_notes)
            if (held.id == changed.id)
                held = changed;
        emit notesChanged();
    }

    int clears = 0;

private:
    QList<PhoneNote> m_notes;
    int m_justArrived = 0;
};
