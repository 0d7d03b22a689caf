#pragma once

#include "platform/NotesApp.h"

#include <QFuture>
#include <QString>

#include <functional>
#include <optional>

class Defaults;
class QWidget;

// Files a phone note as a new note for the user ("Notes"), through the
// desktop's notes stand-in, in the folder the setting "notesFolder" names.
namespace NotesWriter {

inline const QString kFolderKey = QStringLiteral("notesFolder");

using Result = NotesApp::Result;

// The note's HTML: an h1 of the title, then one div per line of the body that
// holds more than spaces and tabs. "&", "<" and ">" are escaped, "&" first.
QString html(const QString& title, const QString& body);

// The folder a stored "notesFolder" names: trimmed of spaces and tabs; empty for
// the top folder; nothing when it cannot name one folder of its own ("." or
// "..", a "/" or "\", control characters such as line breaks).
std::optional<QString> folder(const QString& stored);

// Files the note on a worker thread; the result comes back through the future.
// A "notesFolder" that cannot be used fails without touching any file.
QFuture<Result> create(NotesApp& app, const Defaults& defaults, const QString& title, const QString& body);
// The same with the installed notes stand-in and the user's settings.
QFuture<Result> create(const QString& title, const QString& body);

// Shows where notes go, so that the user can mend a refused permission.
void openAutomationSettings(NotesApp& app);

// Asks for the folder in a dialog that does not block, and stores the answer
// trimmed of spaces and tabs (empty: the top folder). `done` runs after Save.
void chooseFolder(Defaults& defaults, QWidget* parent = nullptr, std::function<void()> done = {});

} // namespace NotesWriter
