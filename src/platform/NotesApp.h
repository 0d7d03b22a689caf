#pragma once

#include <QString>

// Where notes from the phone are filed when the user sends them to "Notes".
// This desktop has no notes application to script, so a stand-in files each
// note as a small HTML document in a folder of the user's.
class NotesApp {
public:
    enum class Outcome { Created, NeedsPermission, Failed };
    struct Result {
        Outcome outcome = Outcome::Created;
        // Why it failed, for the user; empty otherwise.
        QString message;
    };

    virtual ~NotesApp() = default;

    // Files a note named `title` whose body is the HTML `html` in the subfolder
    // `folder` (one plain name, already checked; empty for the top folder),
    // creating the folder when missing and never replacing another note. Blocks
    // on file work: call it off the GUI thread. Any thread.
    virtual Result create(const QString& title, const QString& html, const QString& folder) = 0;
    // Shows the user where notes go, to mend a refused permission. GUI thread.
    virtual void showNotesFolder() = 0;
};
