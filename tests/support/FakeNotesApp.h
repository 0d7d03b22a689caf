#pragma once

#include "platform/NotesApp.h"

#include <QList>
#include <QMutex>

// A notes stand-in that answers what tests set and records the notes it got.
// `create` may run on a worker thread.
class FakeNotesApp : public NotesApp {
public:
    struct Note {
        QString title, html, folder;
    };

    Result create(const QString& title, const QString& html, const QString& folder) override {
        QMutexLocker lock(&mutex);
        notes.append(Note{title, html, folder});
        return result;
    }
    void showNotesFolder() override { ++shown; }

    QList<Note> received() {
        QMutexLocker lock(&mutex);
        return notes;
    }

    Result result;
    int shown = 0;

private:
    QMutex mutex;
    QList<Note> notes;
};
