#include "engine/LlmServer.h"

#include "engine/EngineKey.h"
#include "engine/EngineTrust.h"
#include "engine/ForeignListener.h"
#include "engine/MlxServer.h"
#include "engine/StaleEngine.h"
#include "platform/ChildProcesses.h"
#include "platform/MemoryPressure.h"
#include "platform/Platform.h"
#include "support/Bundle.h"
#include "support/SharedInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QPromise>
#include <QThread>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

constexpr int kHttpOk = 200;
// What a server under the guard answers a request without this run's key.
constexpr int kUnauthorized = 401;
constexpr int kForbidden = 403;

// The guard the server module runs under; empty when the resource is missing.
QString guard() {
    QFile resource(Bundle::resource(QStringLiteral("engine/model-server-guard.py")));
    return resource.open(QIODevice::ReadOnly) ? QString::fromUtf8(resource.readAll()) : QString();
}

// Wraps a callback-style step into a future.
template <typename T, typename Start> QFuture<T> asFuture(Start start) {
    auto promise = std::make_shared<QPromise<T>>();
    promise->start();
    start([promise](T value) {
        promise->addResult(std::move(value));
        promise->finish();
    });
    return promise->future();
}

QFuture<void> asVoidFuture(const std::function<void(std::function<void()>)>& start) {
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    start([promise] { promise->finish(); });
    return promise->future();
}

} // namespace

// The one cleanup model server process, asked by the free functions of its clients.
LlmServer& LlmServer::shared() { return SharedInstance<LlmServer>::get(); }

LlmServer::LlmServer() : LlmServer(Config{}) {}

LlmServer::LlmServer(Config config, StaleReplacer replaceStale, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_replaceStale(std::move(replaceStale)) {
    if (!m_replaceStale)
        m_replaceStale = [verdicts = std::make_shared<ListenerVerdicts>()](quint16 port,
                                                                           std::function<bool(const QString&)> keep) {
            return StaleEngine::replaceIfStale(port, std::move(keep), {}, StaleEngine::kCheckInterval, verdicts);
        };
}

LlmServer::~LlmServer() { stopIfOwned(); }

QString LlmServer::modelFromEnvironment() {
    if (qEnvironmentVariableIsSet("QV_CLEANUP_MODEL"))
        return qEnvironmentVariable("QV_CLEANUP_MODEL");
    return QStringLiteral("mlx-community/Qwen3-4B-Instruct-2507-4bit");
}

QString LlmServer::model() {
    static const QString name = modelFromEnvironment();
    return name;
}

std::optional<QString> LlmServer::venvPython() {
    const QString root = MlxServer::engineRoot();
    for (const char* venv : {"/mlx-venv/bin/python", "/llm-venv/bin/python"}) {
        const QString path = root + QLatin1String(venv);
        if (QFileInfo::exists(path))
            return path;
    }
    return std::nullopt;
}

bool LlmServer::modelPackaged() {
    const std::optional<QString> python = venvPython();
    if (!python)
        return false;
    const QDir lib(QFileInfo(*python).absolutePath() + QStringLiteral("/../lib"));
    for (const QString& version : lib.entryList({QStringLiteral("python3*")}, QDir::Dirs)) {
        if (QFileInfo(lib.filePath(version + QStringLiteral("/site-packages/mlx_lm/__init__.py"))).isFile())
            return true;
    }
    return false;
}

bool LlmServer::servesModel(const QString& commandLine, const QString& model) {
    return commandLine.contains(QStringLiteral("--model ") + model + QLatin1Char(' '));
}

QUrl LlmServer::baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_config.port)); }

// ---- Probes and warm-up

bool LlmServer::heldByAnotherAccount() {
    if (!ForeignListener::holds(m_config.port)) {
        m_heldNoted = false;
        return false;
    }
    if (!std::exchange(m_heldNoted, true))
        MlxServer::note(ForeignListener::message(m_config.port));
    return true;
}

void LlmServer::probeStatus(std::function<void(int)> done) {
    if (heldByAnotherAccount()) {
        done(0);
        return;
    }
    QNetworkRequest request(baseUrl().resolved(QUrl(QStringLiteral("v1/models"))));
    request.setTransferTimeout(int(m_config.probeTimeout.count()));
    EngineKey::sign(request);
    QNetworkReply* reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        done(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    });
}

void LlmServer::probe(std::function<void(bool)> done) {
    probeStatus([done = std::move(done)](int status) { done(status == kHttpOk); });
}

QFuture<bool> LlmServer::isUp() {
    return asFuture<bool>([this](std::function<void(bool)> done) { probe(std::move(done)); });
}

void LlmServer::warm(std::function<void()> done) {
    if (heldByAnotherAccount()) {
        {
            QMutexLocker locker(&m_lock);
            m_ready = false;
        }
        done();
        return;
    }
    QNetworkRequest request(baseUrl().resolved(QUrl(QStringLiteral("v1/chat/completions"))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(int(m_config.warmUpTimeout.count()));
    EngineKey::sign(request);
    const QJsonObject body{
        {QStringLiteral("model"), m_config.model},
        {QStringLiteral("messages"),
         QJsonArray{QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                                {QStringLiteral("content"), QStringLiteral("Say ready.")}}}},
        {QStringLiteral("max_tokens"), 4},
    };
    QNetworkReply* reply = m_network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        reply->deleteLater();
        const bool ok = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == kHttpOk;
        {
            QMutexLocker locker(&m_lock);
            m_ready = ok;
        }
        done();
    });
}

QFuture<void> LlmServer::warmUp() {
    return asVoidFuture([this](std::function<void()> done) { warm(std::move(done)); });
}

// ---- Start

QFuture<void> LlmServer::ensureStarted() {
    return asVoidFuture([this](std::function<void()> done) {
        forgetDeadProcess();
        if (heldByAnotherAccount()) {
            {
                QMutexLocker locker(&m_lock);
                m_ready = false;
            }
            done();
            return;
        }
        if (m_process) {
            probe([this, done](bool up) { afterProbe(up, done); });
            return;
        }
        probeStatus([this, done](int status) {
            if (status != kHttpOk && status != kUnauthorized && status != kForbidden) {
                probe([this, done](bool again) { afterProbe(again, done); });
                return;
            }
            // Something we did not launch holds the port: a server of another
            // model from this engine folder is replaced, one of ours is kept,
            // unless it refuses this run's key (another run launched it).
            const QString model = m_config.model;
            const bool refused = status != kHttpOk;
            m_replaceStale(m_config.port, [model, refused](const QString& commandLine) {
                return !refused && servesModel(commandLine, model);
            }).then(this, [this, done](bool) { probe([this, done](bool again) { afterProbe(again, done); }); });
        });
    });
}

void LlmServer::afterProbe(bool up, std::function<void()> done) {
    if (up) {
        warm(std::move(done));
        return;
    }
    if (m_process) {
        done(); // ours is still loading; the poll of its launch warms it
        return;
    }
    launchAndPoll(std::move(done));
}

void LlmServer::forgetDeadProcess() {
    if (!m_process || m_process->state() != QProcess::NotRunning)
        return;
    MlxServer::note(QStringLiteral("the cleanup model server stopped (exit status %1)").arg(m_process->exitCode()));
    (void)retire(m_process);
    m_process.clear();
    ++m_relaunches;
}

void LlmServer::launchAndPoll(std::function<void()> done) {
    const std::optional<QString> python = venvPython();
    const QString guardText = guard();
    if (!python || guardText.isEmpty() || m_relaunches > m_config.maxRelaunches) {
        done();
        return;
    }
    auto* process = new QProcess(this);
    process->setProgram(*python);
    process->setArguments({QStringLiteral("-c"), guardText, QStringLiteral("-m"), QStringLiteral("mlx_lm"),
                           QStringLiteral("server"), QStringLiteral("--model"), m_config.model,
                           QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                           QString::number(m_config.port)});
    process->setProcessEnvironment(EngineKey::withKey(
        EngineTrust::environment(QProcessEnvironment::systemEnvironment(), EngineTrust::bundledList())));
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // The server goes when this program goes, even when it is killed.
    if (ChildProcesses* children = Platform::current().childProcesses)
        children->endWithThisProgram(*process);
    process->start(QIODevice::NotOpen);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        done();
        return;
    }
    m_process = process;
    poll(process, m_config.pollAttempts, std::move(done));
}

void LlmServer::poll(QPointer<QProcess> launched, int attemptsLeft, std::function<void()> done) {
    // Stop waiting for a server that has gone (it died, or was released or stopped).
    if (attemptsLeft <= 0 || !launched || launched != m_process || launched->state() == QProcess::NotRunning) {
        done();
        return;
    }
    QTimer::singleShot(m_config.pollSleep, this, [this, launched, attemptsLeft, done = std::move(done)] {
        probe([this, launched, attemptsLeft, done](bool up) {
            if (up)
                warm(done);
            else
                poll(launched, attemptsLeft - 1, done);
        });
    });
}

// ---- Memory

void LlmServer::watchMemory() {
    MemoryPressure* pressure = Platform::current().memoryPressure;
    if (!pressure)
        return;
    QPointer<LlmServer> self(this);
    pressure->watch([self](MemoryPressure::Level) {
        if (self)
            self->onPressure();
    });
}

void LlmServer::onPressure() {
    if (!m_process)
        return;
    {
        QMutexLocker locker(&m_lock);
        if (m_inUse >= 1) {
            m_releasePending = true;
            return;
        }
    }
    releaseNow();
}

void LlmServer::releaseNow() {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &LlmServer::releaseNow, Qt::QueuedConnection);
        return;
    }
    {
        QMutexLocker locker(&m_lock);
        m_ready = false;
        m_releasePending = false;
    }
    if (!m_process)
        return;
    MlxServer::note(QStringLiteral("memory is short: released the cleanup model"));
    endIfOwned();
}

QProcess* LlmServer::takeOwnedForEnd() {
    {
        QMutexLocker locker(&m_lock);
        m_ready = false;
    }
    QProcess* process = m_process;
    m_process.clear();
    if (process)
        process->terminate();
    return process;
}

void LlmServer::stopIfOwned() {
    QProcess* process = takeOwnedForEnd();
    if (!process)
        return;
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(1000);
    }
    delete process;
}

QFuture<void> LlmServer::endIfOwned() {
    QProcess* process = takeOwnedForEnd();
    return process ? retire(process) : QtFuture::makeReadyFuture();
}

QFuture<void> LlmServer::retire(QProcess* process) {
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return QtFuture::makeReadyFuture();
    }
    auto gone = std::make_shared<QPromise<void>>();
    gone->start();
    connect(process, &QProcess::finished, process, [process, gone] {
        gone->finish();
        process->deleteLater();
    });
    QTimer::singleShot(5000, process, [process] { process->kill(); });
    return gone->future();
}

// ---- In-use protocol

bool LlmServer::isReady() const {
    QMutexLocker locker(&m_lock);
    return m_ready;
}

void LlmServer::beginRequest() {
    QMutexLocker locker(&m_lock);
    ++m_inUse;
}

void LlmServer::endRequest() {
    bool release = false;
    {
        QMutexLocker locker(&m_lock);
        --m_inUse;
        release = m_inUse == 0 && m_releasePending;
    }
    if (release)
        releaseNow();
}

int LlmServer::requestsInFlight() const {
    QMutexLocker locker(&m_lock);
    return m_inUse;
}

bool LlmServer::isReleasePending() const {
    QMutexLocker locker(&m_lock);
    return m_releasePending;
}

qint64 LlmServer::processId() const { return m_process ? m_process->processId() : 0; }
