#pragma once

#include "platform/ProgramLauncher.h"

// Starts programs with QProcess::startDetached (a double fork: the child is
// not ours to reap and outlives us).
class DetachedProgramLauncher : public ProgramLauncher {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override;
};
