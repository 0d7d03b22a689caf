#pragma once

#include "engine/EngineServices.h"
#include "engine/ModelFile.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class LlmServer;
class MlxServer;

// Brings the local speech engine from nothing to a warm, answering server and
// repairs it: the environment from the engine archive, else built by the
// set-up script; the dictation model files; then the servers. The published
// stage, progress and detail drive onboarding and the microphone test. GUI
// thread; one run() or repair() at a time: a call while one is under way is
// refused.
class EngineBootstrap : public QObject {
    Q_OBJECT
public:
    // In declaration order; Failed carries failureMessage().
    enum class Stage { Failed, Idle, Checking, Venv, Models, Warming, Ready };
    Q_ENUM(Stage)

    // What a bootstrap works on; defaults() is the program's.
    struct Setup {
        std::function<QString()> engineRoot;
        std::function<QList<QUrl>()> bases;
        ModelFiles files;
        std::function<std::optional<QString>()> locateUv;
        std::function<std::optional<QString>()> stageScript;
        std::function<QFuture<bool>(QString, QStringList, std::function<void(QString)>)> runProcess;
        std::chrono::milliseconds restartPause{800};
        // The import check of an interpreter, which may hang on a broken
        // environment or a stalled disk.
        std::chrono::milliseconds importDeadline{30000};

        static Setup defaults();
    };

    // The engine's services over the program's two servers.
    static EngineServices standardServices(MlxServer& speechServer, LlmServer& cleanupServer);
    EngineBootstrap(Setup setup, EngineServices services, QObject* parent = nullptr);
    ~EngineBootstrap() override;

    Stage stage() const { return m_stage; }
    // The text to show when stage() is Failed; empty otherwise.
    QString failureMessage() const { return m_failure; }
    double progress() const { return m_progress; }
    QString detail() const { return m_detail; }
    // Whether a run() or repair() is under way.
    bool isBusy() const { return m_call != nullptr; }
    // The microphone test puts a finished stage back to Idle; a call under
    // way keeps its stage.
    void resetToIdle();

    // First-run set-up; the outcome is in stage(). The future ends with the
    // call; while another call is under way, nothing starts and the future is
    // that call's.
    QFuture<void> run();
    // Reinstalls the environment (archive, else rebuild), each new one made
    // beside the current one and swapped in only once it imports the speech
    // server, so a repair that fails leaves the current one; replaces an
    // incomplete model and restarts the speech server; ready only once a test
    // transcription succeeds. A model that fails that test although its files
    // are complete is replaced whole by the next repair. Refused as run() is.
    QFuture<void> repair();

    // True when the environment's interpreter imports the speech server. The
    // check runs on the thread pool and gives up on an interpreter still busy
    // at Setup::importDeadline (false, not cached); its answer otherwise
    // (false included) is cached while neither bin/python (the link itself)
    // nor pyvenv.cfg changes; installs clear the cache. A cached answer comes
    // back finished. GUI thread.
    QFuture<bool> checkEngine();
    // True when every model file is in place with its exact size.
    bool modelsComplete() const;
    QString modelFolder() const;

signals:
    void stageChanged(EngineBootstrap::Stage stage);
    void progressChanged(double progress);
    void detailChanged(const QString& detail);
    void busyChanged(bool busy);

private:
    void setStage(Stage stage);
    void setProgress(double progress);
    void setDetail(const QString& detail);
    void fail(const QString& message);
    void forgetEngine() { m_workingEngine.reset(); }
    // The repair's install once the old environment has gone.
    void reinstall();
    QString venv() const;
    QFuture<void> begin();
    void end();

    QFuture<bool> installPackage();
    void scriptRoad();
    void buildEnvironment();
    // Stages the set-up script and runs it to build an environment at `into`,
    // its progress lines shown as the detail; nothing, the failure shown, when
    // the script is missing from the bundle.
    std::optional<QFuture<bool>> runSetupScript(const QString& into);
    void fetchModels(bool force, std::function<void()> next);
    void warm();
    void rebuild();
    void replaceModel(std::function<void()> next);
    void restart(bool freshModel);
    // Ready when the started server transcribes. `freshModel`: the model was
    // just downloaded whole, so another repair would not mend a failure.
    void prove(bool freshModel);

    struct Cached {
        QString key;
        bool answer = false;
    };

    Setup m_setup;
    EngineServices m_services;
    Stage m_stage = Stage::Idle;
    QString m_failure;
    double m_progress = 0;
    QString m_detail;
    std::optional<Cached> m_workingEngine;
    // The last test transcription failed on a model whose files all had their sizes.
    bool m_modelSuspect = false;
    std::optional<QString> m_script;
    std::shared_ptr<class QPromise<void>> m_call;
};
