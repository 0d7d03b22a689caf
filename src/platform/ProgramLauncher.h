#pragma once

#include <QStringList>

class QString;

// Starts programs that live on after this one ends (the relaunched copy after
// an update, a script that finishes once this program has quit, the desktop's
// settings).
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Starts `program` with `arguments` (passed as they are, never through a
    // shell), detached from this process. False when it could not start.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};
