#pragma once

#include "platform/ProgramLauncher.h"

#include <QList>
#include <QProcess>
#include <QString>

// Records what it is asked to start; when `reallyStart` is set it also starts
// it (tests whose programs are scripts in a temporary folder). Programs in
// `missing` fail to start.
class FakeProgramLauncher : public ProgramLauncher {
public:
    struct Launch {
        QString program;
        QStringList arguments;
    };

    bool startDetached(const QString& program, const QStringList& arguments) override {
        launches.append({program, arguments});
        if (missing.contains(program))
            return false;
        if (!reallyStart)
            return succeeds;
        return QProcess::startDetached(program, arguments);
    }

    bool reallyStart = false;
    bool succeeds = true;
    QStringList missing;
    QList<Launch> launches;
};
