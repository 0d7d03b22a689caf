#pragma once

#include <QFuture>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// The set-up script road of the engine: the enciphered script resource
// "engine.dat" (a POSIX script that builds the environment with Debian's
// python3 and carries our speech packages), the tool it needs, and its run
// with the output going to setup.log.
namespace EngineSetupScript {

// Debian's interpreter, which makes the environment when no uv is installed.
inline constexpr auto kSystemPython = "/usr/bin/python3";
// The script is POSIX: every Debian system has this shell.
inline constexpr auto kShell = "/bin/sh";
// The longest the set-up script may run before it is ended and fails.
inline constexpr std::chrono::minutes kScriptDeadline{20};
inline constexpr auto kScriptResource = "engine.dat";
inline constexpr auto kFallbackPath = "/usr/bin:/bin:/usr/sbin:/sbin";

// The folders searched for tools: the resource folder's "bin", ~/.local/bin,
// /opt/homebrew/bin, /usr/local/bin.
QStringList toolPaths();
// The first executable "uv" in `folders`, else `python` when it is executable,
// else none (the "no setup tool" failures).
std::optional<QString> locateUv(const QStringList& folders, const QString& python);
std::optional<QString> locateUv();

// Deciphers `resource` with the build's key into "qv-setup-<uuid>.sh", created
// 0700 inside a fresh private (0700) folder of the temporary folder. None when
// the resource cannot be read or the file not written.
std::optional<QString> stagedSetupScript(const QString& resource);
std::optional<QString> stagedSetupScript();
// Deletes a staged script and its private folder.
void discard(const QString& script);
// XOR with the repeating key; the same call enciphers and deciphers.
QByteArray decipher(const QByteArray& data);

// The friendly one-line text for a chunk of set-up output, or none.
std::optional<QString> friendlyStage(const QString& chunk);

// The child's environment: ours with the certificate variables, PATH = the
// tool folders followed by `path` (kFallbackPath when `path` is unset).
QStringList searchPath(const std::optional<QString>& path);

// Runs `program` with `arguments` on the thread pool; setup.log is recreated
// and receives the output as it comes; `onDetail` (called on the pool thread)
// gets each friendly text. True when it ran and exited with status 0; false
// as well when it was still running at `deadline` (it is then ended and the
// log says so).
QFuture<bool> runProcess(const QString& program, const QStringList& arguments, std::function<void(QString)> onDetail,
                         std::chrono::milliseconds deadline = kScriptDeadline);

} // namespace EngineSetupScript
