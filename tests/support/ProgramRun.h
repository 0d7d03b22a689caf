#pragma once

#include "support/ProgramHome.h"
#include "support/XTestKeyboard.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <cstring>
#include <initializer_list>

// Starts the real program (the test target defines QUORVANE_BINARY) in a
// private home, its output forwarded to the test's own.
inline bool startProgram(QProcess& program, const ProgramHome& home, const QString& engine,
                         const QStringList& arguments = {}) {
    program.setProcessEnvironment(home.environment(engine));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(QUORVANE_BINARY), arguments);
    return program.waitForStarted(10000);
}

// Succeeds when no client on the display holds the Control-Alt chords of
// `keysyms`, the program's hotkeys. Checked before it starts: the suite's
// locks keep its own tests apart, but not a client outside the suite.
inline testing::AssertionResult chordsAreFree(XTestKeyboard& keyboard, std::initializer_list<const char*> keysyms) {
    for (const char* keysym : keysyms) {
        if (keyboard.controlAltHeld(keysym))
            return testing::AssertionFailure() << "Control-Alt-" << keysym << " is grabbed by a client outside the "
                                               << "suite, so the program cannot bind it; end that client";
    }
    return testing::AssertionSuccess();
}

// How a finished process ended: success only for a normal exit with status 0.
inline testing::AssertionResult endedCleanly(const QProcess& process) {
    const QString name = process.program().section(QLatin1Char('/'), -1);
    if (process.exitStatus() == QProcess::CrashExit) {
        // On a crash the exit code is the signal that ended the process.
        return testing::AssertionFailure() << name.toStdString() << " was ended by signal " << process.exitCode()
                                           << " (" << strsignal(process.exitCode()) << ")";
    }
    if (process.exitCode() != 0)
        return testing::AssertionFailure() << name.toStdString() << " exited with status " << process.exitCode();
    return testing::AssertionSuccess();
}

// Waits for a process that was asked to end; one still running after
// `patience` is killed, and that is a failure.
inline testing::AssertionResult finishes(QProcess& process, std::chrono::milliseconds patience) {
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(int(patience.count()))) {
        process.kill();
        process.waitForFinished(5000);
        return testing::AssertionFailure() << process.program().section(QLatin1Char('/'), -1).toStdString()
                                           << " did not end within " << patience.count() << " ms";
    }
    return endedCleanly(process);
}

// Asks the program to quit as a desktop session would, waits for it, and
// tells whether it ended cleanly.
inline testing::AssertionResult endProgram(QProcess& program,
                                           std::chrono::milliseconds patience = std::chrono::seconds(15)) {
    program.terminate();
    return finishes(program, patience);
}
