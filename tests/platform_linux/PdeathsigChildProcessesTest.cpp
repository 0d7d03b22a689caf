#include "platform/linux/PdeathsigChildProcesses.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Prints the signal the child gets when its parent dies (0: none).
const char* kDeathSignalProgram = R"(
import ctypes
PR_GET_PDEATHSIG = 2
signal = ctypes.c_int(-1)
ctypes.CDLL(None).prctl(PR_GET_PDEATHSIG, ctypes.byref(signal))
print(signal.value)
)";

QByteArray deathSignalOf(QProcess& child) {
    child.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(kDeathSignalProgram)});
    if (!child.waitForFinished(10000))
        return {};
    return child.readAllStandardOutput().trimmed();
}

TEST(PdeathsigChildProcesses, ATiedChildIsTerminatedWhenThisProgramDies) {
    PdeathsigChildProcesses children;
    QProcess tied;
    children.endWithThisProgram(tied);
    EXPECT_EQ(deathSignalOf(tied), QByteArray::number(SIGTERM));

    QProcess untied;
    EXPECT_EQ(deathSignalOf(untied), "0");
}

} // namespace
