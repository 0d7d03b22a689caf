#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Where the Dashboard sends phone notes: the pinned application, or Notes.
// GUI thread only.
class NoteTarget : public QObject {
    Q_OBJECT
public:
    // The identifier that pins the notes application.
    static inline const QString kNotesIdentifier = QStringLiteral("com.apple.Notes");

    using QObject::QObject;

    // The pinned application's identifier; none while nothing is pinned.
    virtual std::optional<QString> pinnedIdentifier() const = 0;
    // The user-facing text of the last failed send; none after a success.
    virtual std::optional<QString> lastError() const = 0;
    // The pinned application's name, else the last other application that was
    // in front; none when neither is known.
    virtual std::optional<QString> name() const = 0;
    // Sends `text` (titled `title` where the target keeps titles); `done` gets
    // whether it arrived.
    virtual void insert(const QString& text, const QString& title, std::function<void(bool)> done) = 0;
    // Lets the user choose the application notes go to.
    virtual void chooseApp() = 0;
    // Asks for the Notes folder and stores it as "notesFolder".
    virtual void chooseNotesFolder() = 0;

signals:
    void changed();
};
