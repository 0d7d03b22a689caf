#include "engine/EngineBootstrap.h"

#include "audio/WavData.h"
#include "engine/DownloadSize.h"
#include "engine/EngineConfiguration.h"
#include "engine/EnginePackage.h"
#include "engine/EngineSetupScript.h"
#include "engine/LlmServer.h"
#include "engine/MlxServer.h"
#include "engine/ModelDownload.h"
#include "engine/ModelTable.h"
#include "engine/SetupChildren.h"
#include "engine/Transcriber.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent>

#include <sys/stat.h>

namespace {

// A folder removed on a worker: an environment or a model is thousands of
// files, or a few very large ones.
QFuture<void> removedAway(const QString& folder) {
    return QtConcurrent::run([folder] { QDir(folder).removeRecursively(); });
}

Q_LOGGING_CATEGORY(lcBootstrap, "quorvane.engine.bootstrap")

constexpr int kSilenceSamples = 8000;
constexpr double kModelCheckSeconds = 120;
constexpr int kStatusOk = 200;

QString support() { return QLatin1String(EngineConfiguration::kSupport); }

// Where the set-up log is, as a user would type it: the home folder as "~".
QString setupLogShown() {
    const QString log = EnginePackage::logFile();
    const QString home = QDir::homePath();
    return log.startsWith(home + QLatin1Char('/')) ? QLatin1Char('~') + log.mid(home.size()) : log;
}

// The identity of an environment for the import-check cache: the interpreter
// link itself (a venv's bin/python may point at a system file that never
// changes) and pyvenv.cfg, which every new environment writes.
QString engineKey(const QString& venv) {
    QString key;
    for (const QString& path : {venv + QStringLiteral("/bin/python"), venv + QStringLiteral("/pyvenv.cfg")}) {
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return {};
        key += QStringLiteral("%1:%2.%3:%4;")
                   .arg(info.st_ino)
                   .arg(info.st_mtim.tv_sec)
                   .arg(info.st_mtim.tv_nsec)
                   .arg(info.st_size);
    }
    return key;
}

// Whether the interpreter `python` imports the speech server, asked on the
// thread pool; none when it was still busy at `deadline` (it is ended).
QFuture<std::optional<bool>> importsServer(const QString& python, std::chrono::milliseconds deadline) {
    return QtConcurrent::run([python, deadline]() -> std::optional<bool> {
        QProcess check;
        check.setStandardOutputFile(QProcess::nullDevice());
        check.setStandardErrorFile(QProcess::nullDevice());
        if (!SetupChildren::start(check, python, {QStringLiteral("-c"), QStringLiteral("import mlx_audio.server")},
                                  deadline))
            return SetupChildren::ending() ? std::nullopt : std::optional(false);
        if (!SetupChildren::waitFor(check, deadline))
            return std::nullopt;
        return check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0;
    });
}

} // namespace

EngineBootstrap::Setup EngineBootstrap::Setup::defaults() {
    Setup setup;
    setup.engineRoot = [] { return MlxServer::engineRoot(); };
    setup.bases = [] { return ModelTable::bases(); };
    setup.files = ModelTable::files();
    setup.locateUv = [] { return EngineSetupScript::locateUv(); };
    setup.stageScript = [] { return EngineSetupScript::stagedSetupScript(); };
    setup.runProcess = [](const QString& program, const QStringList& arguments, std::function<void(QString)> onDetail) {
        return EngineSetupScript::runProcess(program, arguments, std::move(onDetail));
    };
    return setup;
}

// Installs the engine package into the environment folder, its progress
// shown as the stage's; the engine check is forgotten either way.
QFuture<bool> EngineBootstrap::installPackage() {
    auto* package = new EnginePackage(venv(), m_setup.bases(), this);
    EnginePackage::Deadlines deadlines;
    deadlines.import = m_setup.importDeadline;
    package->setDeadlines(deadlines);
    connect(package, &EnginePackage::progress, this, [this](double fraction, const QString& detail) {
        setProgress(fraction);
        setDetail(detail);
    });
    return package->install().then(this, [this, package](bool installed) {
        package->deleteLater();
        forgetEngine();
        return installed;
    });
}

EngineServices EngineBootstrap::standardServices(MlxServer& speechServer, LlmServer& cleanupServer) {
    EngineServices services;
    services.ensureReady = [&speechServer] { return speechServer.ensureReady(); };
    services.warmUp = [&speechServer] { return speechServer.warmUp(); };
    services.stopServer = [&speechServer] { return speechServer.end(); };
    services.cleanupServerUp = [&cleanupServer] { return cleanupServer.isUp(); };
    services.startCleanupServer = [&cleanupServer] { return cleanupServer.ensureStarted(); };
    services.cleanupModelPackaged = [] { return LlmServer::modelPackaged(); };
    services.checkModel = [] {
        const QList<float> silence(kSilenceSamples, 0.0F);
        return Transcriber::diagnose(WavData::encode(silence), kModelCheckSeconds)
            .then([](const Transcriber::Diagnosis& diagnosis) { return diagnosis.status; });
    };
    return services;
}

EngineBootstrap::EngineBootstrap(Setup setup, EngineServices services, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_services(std::move(services)) {}

EngineBootstrap::~EngineBootstrap() { end(); }

QString EngineBootstrap::venv() const { return QDir::cleanPath(m_setup.engineRoot()) + QStringLiteral("/mlx-venv"); }

QString EngineBootstrap::modelFolder() const {
    return QDir::cleanPath(m_setup.engineRoot()) + QStringLiteral("/models/") + QLatin1String(ModelTable::kModelName);
}

QFuture<bool> EngineBootstrap::checkEngine() {
    const QString key = engineKey(venv());
    if (key.isEmpty()) {
        forgetEngine();
        return QtFuture::makeReadyFuture(false);
    }
    if (m_workingEngine && m_workingEngine->key == key)
        return QtFuture::makeReadyFuture(m_workingEngine->answer);
    return importsServer(venv() + QStringLiteral("/bin/python"), m_setup.importDeadline)
        .then(this, [this, key](std::optional<bool> answer) {
            // An interpreter that outran the deadline is asked again next time.
            if (!answer) {
                qCWarning(lcBootstrap) << "the engine's interpreter did not finish its import check in time";
                return false;
            }
            m_workingEngine = Cached{key, *answer};
            return *answer;
        });
}

bool EngineBootstrap::modelsComplete() const { return ModelDownload::complete(modelFolder(), m_setup.files); }

void EngineBootstrap::setStage(Stage stage) {
    if (stage != Stage::Failed)
        m_failure.clear();
    m_stage = stage;
    emit stageChanged(stage);
}

void EngineBootstrap::setProgress(double progress) {
    m_progress = progress;
    emit progressChanged(progress);
}

void EngineBootstrap::setDetail(const QString& detail) {
    if (m_detail == detail)
        return;
    m_detail = detail;
    emit detailChanged(detail);
}

void EngineBootstrap::fail(const QString& message) {
    if (m_script) {
        EngineSetupScript::discard(*m_script);
        m_script.reset();
    }
    m_failure = message;
    setStage(Stage::Failed);
    end();
}

void EngineBootstrap::resetToIdle() {
    if (!isBusy())
        setStage(Stage::Idle);
}

QFuture<void> EngineBootstrap::begin() {
    m_call = std::make_shared<QPromise<void>>();
    m_call->start();
    emit busyChanged(true);
    return m_call->future();
}

void EngineBootstrap::end() {
    if (m_script) {
        EngineSetupScript::discard(*m_script);
        m_script.reset();
    }
    if (const auto call = std::exchange(m_call, nullptr)) {
        call->finish();
        emit busyChanged(false);
    }
}

QFuture<void> EngineBootstrap::run() {
    if (isBusy())
        return m_call->future();
    QFuture<void> future = begin();
    setStage(Stage::Checking);
    checkEngine().then(this, [this](bool exists) {
        if (exists) {
            scriptRoad();
            return;
        }
        setStage(Stage::Venv);
        setDetail(EnginePackage::downloadingText(m_setup.bases()));
        setProgress(0);
        installPackage().then(this, [this](bool installed) {
            if (!installed) {
                scriptRoad();
                return;
            }
            checkEngine().then(this, [this](bool works) {
                if (works)
                    setStage(Stage::Models);
                scriptRoad();
            });
        });
    });
    return future;
}

void EngineBootstrap::scriptRoad() {
    checkEngine().then(this, [this](bool exists) {
        if (exists)
            fetchModels(false, [this] { warm(); });
        else
            buildEnvironment();
    });
}

void EngineBootstrap::buildEnvironment() {
    if (!m_setup.locateUv()) {
        fail(QStringLiteral("Could not find the setup tool that builds the speech engine. Please reinstall Quorvane "
                            "from %1, or contact %2.")
                 .arg(QLatin1String(EngineConfiguration::kSite), support()));
        return;
    }
    setStage(Stage::Venv);
    setDetail(QStringLiteral("Setting up the speech engine (a few minutes, one time)"));
    PrivateFiles::makeFolder(QFileInfo(venv()).absolutePath());
    std::optional<QFuture<bool>> built = runSetupScript(venv());
    if (!built)
        return;
    const QString script = *m_script;
    built->then(this, [this, script](bool ok) {
        forgetEngine();
        const auto failed = [this] {
            fail(QStringLiteral("Engine setup did not finish. It needs a steady connection for a few minutes the "
                                "first time. Details were saved to %2. Send that to %1 if it keeps failing.")
                     .arg(support(), setupLogShown()));
        };
        if (!ok) {
            failed();
            return;
        }
        checkEngine().then(this, [this, failed, script](bool exists) {
            if (!exists) {
                failed();
                return;
            }
            EngineSetupScript::discard(script);
            m_script.reset();
            fetchModels(false, [this] { warm(); });
        });
    });
}

std::optional<QFuture<bool>> EngineBootstrap::runSetupScript(const QString& into) {
    m_script = m_setup.stageScript();
    if (!m_script) {
        fail(QStringLiteral("Setup script missing from the app bundle."));
        return std::nullopt;
    }
    const QPointer<EngineBootstrap> self(this);
    return m_setup.runProcess(QLatin1String(EngineSetupScript::kShell), {*m_script, into},
                              [self](const QString& detail) {
                                  QMetaObject::invokeMethod(
                                      self,
                                      [self, detail] {
                                          if (self)
                                              self->setDetail(detail);
                                      },
                                      Qt::QueuedConnection);
                              });
}

void EngineBootstrap::fetchModels(bool force, std::function<void()> next) {
    if (!force && modelsComplete()) {
        next();
        return;
    }
    setStage(Stage::Models);
    auto* download = new ModelDownload(modelFolder(), m_setup.files, m_setup.bases(), this);
    connect(download, &ModelDownload::progressChanged, this, &EngineBootstrap::setProgress);
    connect(download, &ModelDownload::detailChanged, this, &EngineBootstrap::setDetail);
    download->run(force).then(this, [this, download, next = std::move(next)](bool ok) {
        download->deleteLater();
        if (!ok) {
            fail(download->failureMessage());
            return;
        }
        next();
    });
}

void EngineBootstrap::warm() {
    setStage(Stage::Warming);
    setDetail(QStringLiteral("Waking the voices (the reading voice downloads on first run)"));
    setProgress(0);
    m_services.ensureReady().then(this, [this](bool ready) {
        if (!ready) {
            fail(QStringLiteral("The speech engine did not start. Try again or contact %1.").arg(support()));
            return;
        }
        m_services.warmUp().then(this, [this] {
            m_services.cleanupServerUp().then(this, [this](bool up) {
                // Where no cleanup model is packaged there is nothing to prepare.
                const bool packaged = !m_services.cleanupModelPackaged || m_services.cleanupModelPackaged();
                if (up || !packaged) {
                    setDetail({});
                    setStage(Stage::Ready);
                    end();
                    return;
                }
                setStage(Stage::Warming);
                setDetail(QStringLiteral("Preparing the cleanup model (one time, about 2.3 GB)"));
                setProgress(0);
                m_services.startCleanupServer().then(this, [this] {
                    setDetail({});
                    setStage(Stage::Ready);
                    end();
                });
            });
        });
    });
}

QFuture<void> EngineBootstrap::repair() {
    if (isBusy())
        return m_call->future();
    QFuture<void> future = begin();
    setStage(Stage::Venv);
    setProgress(0);
    setDetail(QStringLiteral("Reinstalling the speech engine"));
    // The held server runs from the environment about to be replaced. That
    // environment stays until a new one that imports the server takes its place.
    m_services.stopServer().then(this, [this] { reinstall(); });
    return future;
}

void EngineBootstrap::reinstall() {
    forgetEngine();
    installPackage().then(this, [this](bool installed) {
        if (!installed) {
            rebuild();
            return;
        }
        checkEngine().then(this, [this](bool exists) {
            if (!exists) {
                rebuild();
                return;
            }
            const bool replace = m_modelSuspect;
            const auto warmAndProve = [this, replace] {
                setStage(Stage::Warming);
                prove(replace);
            };
            if (replace)
                replaceModel(warmAndProve);
            else
                fetchModels(false, warmAndProve);
        });
    });
}

void EngineBootstrap::replaceModel(std::function<void()> next) {
    setStage(Stage::Models);
    setProgress(0);
    setDetail(QStringLiteral("Replacing the dictation model"));
    removedAway(modelFolder()).then(this, [this, next = std::move(next)]() mutable {
        fetchModels(true, std::move(next));
    });
}

void EngineBootstrap::prove(bool freshModel) {
    m_services.ensureReady().then(this, [this, freshModel](bool ready) {
        if (!ready) {
            fail(QStringLiteral("The speech engine did not restart. Try again or contact %1.").arg(support()));
            return;
        }
        m_services.warmUp().then(this, [this, freshModel] {
            m_services.checkModel().then(this, [this, freshModel](int status) {
                // No answer says nothing about the model.
                if (status < 0) {
                    fail(QStringLiteral("The speech engine did not answer the test transcription. Try again or "
                                        "contact %1.")
                             .arg(support()));
                    return;
                }
                if (status == kStatusOk) {
                    m_modelSuspect = false;
                    setDetail({});
                    setStage(Stage::Ready);
                    end();
                    return;
                }
                if (freshModel) {
                    fail(QStringLiteral("The dictation model still would not load (HTTP %1). Please contact %2.")
                             .arg(status)
                             .arg(support()));
                    return;
                }
                // Every file has its size, so nothing looked wrong before; the
                // next repair replaces them all.
                m_modelSuspect = true;
                fail(QStringLiteral("The speech engine was reinstalled, but the dictation model still would not load "
                                    "(HTTP %1), so one of its files may be damaged. Repair again to download a fresh "
                                    "dictation model (%2).")
                         .arg(status)
                         .arg(DownloadSize::about(ModelTable::totalBytes(m_setup.files))));
            });
        });
    });
}

void EngineBootstrap::rebuild() {
    setStage(Stage::Venv);
    setProgress(0);
    setDetail(QStringLiteral("Rebuilding the speech engine (a few minutes)"));
    if (!m_setup.locateUv()) {
        fail(QStringLiteral("The setup tool 'uv' is missing. Please contact %1.").arg(support()));
        return;
    }
    const QString fresh = venv() + QStringLiteral("-new");
    QDir(fresh).removeRecursively();
    std::optional<QFuture<bool>> built = runSetupScript(fresh);
    if (!built)
        return;
    built->then(this, [this, fresh](bool ok) {
        const auto failed = [this, fresh] {
            QDir(fresh).removeRecursively();
            fail(QStringLiteral(
                "Could not rebuild the speech engine. Check your internet connection and try Repair again."));
        };
        if (!ok || !QFileInfo::exists(fresh + QStringLiteral("/bin/python"))) {
            failed();
            return;
        }
        importsServer(fresh + QStringLiteral("/bin/python"), m_setup.importDeadline)
            .then(this, [this, fresh, failed](std::optional<bool> works) {
                if (!works.value_or(false)) {
                    failed();
                    return;
                }
                // The former environment is removed as the new one takes its
                // place: thousands of files, so on a worker.
                QtConcurrent::run([fresh, into = venv()] {
                    QString error;
                    return EnginePackage::swapIn(fresh, into, &error) ? QString() : error;
                }).then(this, [this](const QString& error) {
                    if (!error.isEmpty()) {
                        fail(QStringLiteral("Could not install the rebuilt engine (%1).").arg(error));
                        return;
                    }
                    forgetEngine();
                    if (modelsComplete() && !m_modelSuspect) {
                        restart(false);
                        return;
                    }
                    replaceModel([this] { restart(true); });
                });
            });
    });
}

void EngineBootstrap::restart(bool freshModel) {
    setStage(Stage::Warming);
    setDetail(QStringLiteral("Restarting the speech engine"));
    setProgress(0);
    m_services.stopServer().then(this, [this, freshModel] {
        QTimer::singleShot(m_setup.restartPause, this, [this, freshModel] { prove(freshModel); });
    });
}
