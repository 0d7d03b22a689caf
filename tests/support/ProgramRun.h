#pragma once

#include "support/ProgramHome.h"

#include <QProcess>

// Starts the real program (the test target defines QUORVANE_BINARY) in a
// private home, its output forwarded to the test's own.
inline bool startProgram(QProcess& program, const ProgramHome& home, const QString& engine,
                         const QStringList& arguments = {}) {
    program.setProcessEnvironment(home.environment(engine));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(QUORVANE_BINARY), arguments);
    return program.waitForStarted(10000);
}

// Asks the program to quit as a desktop session would, and waits for it.
inline bool endProgram(QProcess& program) {
    program.terminate();
    return program.waitForFinished(15000);
}
