#pragma once

#include <QString>

class ProcessTable;

// Whether a socket of another account on this computer listens on a local
// engine port. Such a listener is never sent anything (no probe, no key, no
// text, no audio), never adopted as the program's server and never ended: any
// account may listen first on a loopback port. Asks the platform's process
// table who owns the port's listening sockets (a read of the kernel's socket
// tables, which show every account's sockets) and the user account for the
// program's own; without either it answers false. Any thread.
namespace ForeignListener {

bool holds(quint16 port);
// The same with `processes` and the program's account `ownAccount`.
bool holds(const ProcessTable& processes, quint32 ownAccount, quint16 port);
// What the user and the engine log are told, in plain words.
QString message(quint16 port);

} // namespace ForeignListener
