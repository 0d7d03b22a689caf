#pragma once

#include "engine/ListenerVerdicts.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QProcess;

// Owns the local speech server: the engine interpreter running the server
// script on 127.0.0.1:50061. Every client calls ensureReady() before talking to
// the server; it finds one that answers, replaces one left by another build or
// one that takes connections but has answered nothing for the silence limit,
// or launches one and waits for it. A port where a socket of another account
// listens is never probed, adopted or freed: ensureReady() answers false and
// the engine log says so once. A launched server gets this run's EngineKey
// in its environment and refuses requests without it. Also holds the engine's
// folders, the server's address, the dictation model reference, the build
// marker and the engine log.
class MlxServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 port = 50061;
    // How often a held server that has died is launched again in one run.
    static constexpr int maxRelaunches = 3;

    // Shared: the reader, the microphone test and the uninstaller reach the one speech server on its fixed port.
    static MlxServer& shared();
    explicit MlxServer(QObject* parent = nullptr);
    ~MlxServer() override;

    // True once the server serves requests with this run's key; may replace a
    // stale server, launch one, and sets AppState::serverReady. Safe to call
    // again while one runs.
    // False at once when nothing could be launched (no interpreter, no script,
    // a launch error), and as soon as a launched server has ended without
    // answering; else after the polls run out (about a minute).
    QFuture<bool> ensureReady();
    // When ensureReady() last found the server answering; none before that,
    // none once a later ensureReady() found it silent, and none while one is
    // still under way (its checks run on other threads until it finishes).
    std::optional<std::chrono::steady_clock::time_point> lastReady() const {
        return m_checking == 0 ? m_lastReady : std::nullopt;
    }
    // One probe of the model list: up on an HTTP status below 500 or an answer
    // that is not HTTP, also when the server refuses this run's key.
    QFuture<bool> isUp();
    // When ensureReady() last replaced a server that took connections but
    // answered none of its requests for the silence limit; none before that.
    std::optional<std::chrono::steady_clock::time_point> lastSilentReplacement() const { return m_silentReplaced; }
    // Loads both models with one synthesis and one transcription of half a
    // second of silence; answers and errors are ignored.
    QFuture<void> warmUp();
    // Terminates the held server and forgets it, waiting up to 6 s for it to
    // end (application exit, after the event loop has ended).
    void stop();
    // The same without waiting (engine repair): the held server is forgotten
    // at once and the future finishes when it has ended, killed if it has not
    // after 5 s.
    QFuture<void> end();
    // The process id of the held server, 0 when none is held.
    qint64 processId() const;

    // The wait between readiness polls (0.5 s); tests shorten it.
    void setPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }
    // How long a server may take connections without answering before it is
    // replaced (kSilenceLimit); tests shorten it.
    void setSilenceLimit(std::chrono::milliseconds limit) { m_silenceLimit = limit; }
    static constexpr std::chrono::milliseconds kSilenceLimit{20000};

    // The engine folder: $QV_ENGINE_ROOT when set and not empty, else
    // Application Support/"Quorvane".
    static QString engineRoot();
    // The engine's interpreter, "mlx-venv/bin/python" in the engine folder.
    static QString interpreter();
    // Whether the interpreter is there at all: without it no server can be
    // launched and only the set-up or a repair helps.
    static bool isInstalled();
    // Application Support/"Quorvane/mlx-server-logs", whatever the engine root is.
    static QString logFolder();
    // "engine.log" in the log folder; it also receives the server's own output.
    static QString logFile();
    // "engine.log.1": the log of the launch before the last.
    static QString previousLogFile();
    // Appends "[quorvane] <text>" to the engine log. Failures are swallowed.
    static void note(const QString& text);
    // "http://127.0.0.1:50061".
    static QUrl baseURL();
    // "# quorvane engine " and the program's version, or "dev" without one: the
    // first line of the script, so a server's command line tells its build.
    static QString buildMarker();
    // The local dictation model folder when it holds "config.json", else the
    // hub identifier.
    static QString parakeetModelRef();
    // The build marker followed by the server script resource; empty when the
    // resource is missing.
    static QString script();

signals:
    // A server this object launched has begun to answer (the first launch, a
    // relaunch after a crash, a launch after stop(), the replacement of one
    // that had stopped answering); it knows nothing yet of what earlier
    // servers were told. Sent by each wait that saw it come up.
    void launchedServerReady();

private:
    // What the port answers a probe with this run's key: nothing (or 5xx), no
    // byte on a connection it took, a refusal (401 or 403: a server launched
    // by another run, or not ours), or anything else; or no probe at all, as
    // a socket of another account listens there.
    enum class Answer { None, Silent, Refused, Served, HeldByAnotherAccount };
    QFuture<Answer> probe();
    // True when the probe is served.
    QFuture<bool> servesUs();
    using Finish = std::function<void(bool)>;
    void examine(Answer answer, const Finish& finish);
    void waitOutSilence(std::chrono::steady_clock::time_point deadline, const Finish& finish);
    void replaceSilent(const Finish& finish);
    void afterProbe(bool up, const Finish& finish);
    // Launches a server unless one is held and waits for it; one that comes up
    // is announced (launchedServerReady).
    void launchAndWait(const Finish& finish);
    void waitForLaunch(const Finish& finish);
    void poll(QObject* wait, int remaining, const Finish& settle, const std::shared_ptr<bool>& settled);
    void forgetIfDied();
    void startProcess();

    QProcess* m_process = nullptr;
    // What the stale-server check decided about listeners it left running.
    std::shared_ptr<ListenerVerdicts> m_verdicts = std::make_shared<ListenerVerdicts>();
    int m_relaunches = 0;
    QString m_relaunchNote;
    std::chrono::milliseconds m_pollInterval{500};
    std::chrono::milliseconds m_silenceLimit = kSilenceLimit;
    std::optional<std::chrono::steady_clock::time_point> m_silentReplaced;
    std::optional<std::chrono::steady_clock::time_point> m_lastReady;
    int m_checking = 0;
    // Whether the engine log already says that another account holds the port.
    bool m_heldNoted = false;
};
