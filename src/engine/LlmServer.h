#pragma once

#include <QFuture>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

// Supervises the local language-model server that the text cleanup uses for its
// model pass: starts it when needed, warms the model, counts the clean-up
// requests in flight, gives the memory back when the system runs short, and
// stops the server at exit when this process started it. The server module runs
// under our guard (resources/engine/model-server-guard.py), which refuses every
// request from a page or without this run's EngineKey. A port where a socket of
// another account listens is never probed, warmed, adopted or freed: the
// cleanup then goes without the model, and the engine log says so once. Lives
// on the GUI thread;
// the in-use count and the ready flag may be used from any thread.
class LlmServer : public QObject {
    Q_OBJECT
public:
    struct Config {
        QString model = LlmServer::model();
        quint16 port = 50062;
        // Readiness polling after a launch: a sleep, then a probe, this many times.
        std::chrono::milliseconds pollSleep{250};
        int pollAttempts = 14400;
        std::chrono::milliseconds probeTimeout{2000};
        std::chrono::milliseconds warmUpTimeout{60000};
        // A launched server that dies is started again at most this many times.
        int maxRelaunches = 3;
    };
    // Frees `port` of a server left from an earlier launch unless `keep` accepts
    // its command line; answers whether the port is free afterwards. The default
    // is StaleEngine::replaceIfStale, remembering the listeners it leaves running.
    using StaleReplacer = std::function<QFuture<bool>(quint16 port, std::function<bool(const QString&)> keep)>;

    // Shared: the cleanup page and the uninstaller reach the one model server on its fixed port.
    static LlmServer& shared();
    LlmServer();
    explicit LlmServer(Config config, StaleReplacer replaceStale = {}, QObject* parent = nullptr);
    ~LlmServer() override;

    // $QV_CLEANUP_MODEL when present (even empty), else the default model; read once.
    static QString model();
    static QString modelFromEnvironment();
    // The engine's interpreter: mlx-venv, else llm-venv; none when neither exists.
    static std::optional<QString> venvPython();
    // Whether the engine's interpreter carries the model server package
    // ("mlx_lm" in its site-packages); Debian packages none.
    static bool modelPackaged();
    // A server whose command line names this model is kept, not replaced.
    static bool servesModel(const QString& commandLine, const QString& model);

    QUrl baseUrl() const;

    // Makes a server answer and warms it, launching one when needed.
    QFuture<void> ensureStarted();
    // GET v1/models with this run's key: true only for HTTP 200.
    QFuture<bool> isUp();
    // One tiny completion; `ready` becomes whether it got HTTP 200.
    QFuture<void> warmUp();
    // Releases the model when the system reports memory pressure (see MemoryPressure).
    void watchMemory();
    // Stops an owned server to free its memory; the next ensureStarted launches again.
    void releaseNow();
    // Clears `ready`; terminates and forgets a server this process started.
    void stopIfOwned();
    // As stopIfOwned, but without waiting: the server is asked to end and
    // killed if it is still there a few seconds later. For the event loop's
    // thread; the future finishes once the process is gone.
    QFuture<void> endIfOwned();

    // The in-use protocol of the text cleanup: begin before a request, end after it.
    // The end of the last request performs a release that pressure deferred.
    bool isReady() const;
    void beginRequest();
    void endRequest();
    int requestsInFlight() const;
    bool isReleasePending() const;
    bool ownsProcess() const { return m_process != nullptr; }
    qint64 processId() const;

private:
    // Whether a socket of another account listens on the port; the first time
    // in a row, the engine log is told.
    bool heldByAnotherAccount();
    // The HTTP status of GET v1/models, 0 without an answer or unsent to a
    // port held by another account.
    void probeStatus(std::function<void(int)> done);
    void probe(std::function<void(bool)> done);
    void warm(std::function<void()> done);
    void afterProbe(bool up, std::function<void()> done);
    void launchAndPoll(std::function<void()> done);
    void poll(QPointer<QProcess> launched, int attemptsLeft, std::function<void()> done);
    void forgetDeadProcess();
    void onPressure();
    // Marks the server not ready and asks the owned server, if any, to end;
    // the caller then owns the process.
    QProcess* takeOwnedForEnd();
    QFuture<void> retire(QProcess* process);

    Config m_config;
    StaleReplacer m_replaceStale;
    QNetworkAccessManager m_network;
    QPointer<QProcess> m_process;
    int m_relaunches = 0;
    bool m_heldNoted = false;

    mutable QMutex m_lock; // guards the three below
    bool m_ready = false;
    int m_inUse = 0;
    bool m_releasePending = false;
};
