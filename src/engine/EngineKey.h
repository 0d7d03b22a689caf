#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QProcessEnvironment>

// The secret this run of the program shares with the engine servers it
// launches. It reaches a server in its environment, which only this user can
// read (never on its command line, which every user can), and comes back in a
// header of every request of ours. A page in the user's browser cannot learn
// it, so it cannot drive the servers.
namespace EngineKey {

// The header that carries the secret.
inline constexpr char kHeader[] = "X-Quorvane-Key";
// The environment variable that hands it to a server.
inline constexpr char kVariable[] = "QV_ENGINE_KEY";

// 32 bytes from the system's random source, in hex; the same for the whole run.
// Safe from any thread.
QByteArray value();
// Puts the secret in the header of `request`.
void sign(QNetworkRequest& request);
// `environment` with the secret in kVariable.
QProcessEnvironment withKey(QProcessEnvironment environment);

} // namespace EngineKey
