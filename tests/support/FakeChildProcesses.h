#pragma once

#include "platform/ChildProcesses.h"

#include <QProcess>
#include <QStringList>

// Records the programs it was asked to tie to this program; ties none, so a
// child launched under the fakes outlives a test program that is killed.
class FakeChildProcesses : public ChildProcesses {
public:
    void endWithThisProgram(QProcess& process) override { tied.append(process.program()); }

    QStringList tied;
};
