#pragma once

class QProcess;

// How the programs this program launches and supervises (the engine's servers)
// are started. Thread of the process object.
class ChildProcesses {
public:
    virtual ~ChildProcesses() = default;

    // Arranges that `process`, not yet started, is asked to end (as by
    // ProcessTable::terminate) when this program ends, even when this program
    // is killed outright. Where the system offers no such tie, the child
    // outlives a killed program and is replaced at the next launch.
    virtual void endWithThisProgram(QProcess& process) = 0;
};
