#include "platform/linux/PdeathsigChildProcesses.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

void PdeathsigChildProcesses::endWithThisProgram(QProcess& process) {
    // Runs in the child: async-signal-safe calls only.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}
