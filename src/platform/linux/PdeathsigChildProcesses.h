#pragma once

#include "platform/ChildProcesses.h"

// Ties a child to this program with the kernel's parent-death signal
// (prctl PR_SET_PDEATHSIG, SIGTERM), set in the child between fork and exec.
// The signal follows the thread that forked: processes are started from the
// GUI thread, which lives as long as the program.
class PdeathsigChildProcesses : public ChildProcesses {
public:
    void endWithThisProgram(QProcess& process) override;
};
