#pragma once

#include <QString>

// The local speech server's folders and its engine log. (The supervision of the
// server process itself lives here too as it is built.)
class MlxServer {
public:
    // The engine folder: $QV_ENGINE_ROOT when set and not empty, else
    // Application Support/"Quorvane".
    static QString engineRoot();
    // Application Support/"Quorvane/mlx-server-logs", whatever the engine root is.
    static QString logFolder();
    // "engine.log" in the log folder; it also receives the server's own output.
    static QString logFile();
    // Appends "[quorvane] <text>" to the engine log. Failures are swallowed.
    static void note(const QString& text);
};
