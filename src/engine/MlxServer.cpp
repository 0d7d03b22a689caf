#include "engine/MlxServer.h"

#include "audio/WavData.h"
#include "engine/EngineHttp.h"
#include "engine/EngineKey.h"
#include "engine/EngineTrust.h"
#include "engine/ForeignListener.h"
#include "engine/StaleEngine.h"
#include "engine/Transcriber.h"
#include "platform/ChildProcesses.h"
#include "platform/Platform.h"
#include "state/AppState.h"
#include "support/Bundle.h"
#include "support/LineLog.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"
#include "support/SharedInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QPromise>
#include <QTcpSocket>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <utility>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kProbeTimeout = 2s;
constexpr int kPollAttempts = 120;
constexpr std::chrono::milliseconds kWarmUpTimeout = 120s;
// Half a second of silence.
constexpr qsizetype kWarmUpSamples = WavData::kSampleRate / 2;
constexpr std::chrono::milliseconds kTerminateWait = 5s;
constexpr std::chrono::milliseconds kKillWait = 1s;
// What a server answers a request without this run's key, or from a page.
constexpr int kUnauthorized = 401;
constexpr int kForbidden = 403;

QString scriptResource() { return QStringLiteral("engine/speech-server.py"); }

} // namespace

// The one speech server process, asked by the free functions of the engine's clients.
MlxServer& MlxServer::shared() { return SharedInstance<MlxServer>::get(); }

MlxServer::MlxServer(QObject* parent) : QObject(parent) {}

MlxServer::~MlxServer() {
    // Waits still running end with the object; the process's end must not start new probes.
    if (m_process)
        m_process->disconnect();
    stop();
}

QString MlxServer::engineRoot() {
    const QString overridden = qEnvironmentVariable("QV_ENGINE_ROOT");
    return overridden.isEmpty() ? Paths::engineFolder() : overridden;
}

QString MlxServer::interpreter() { return QDir::cleanPath(engineRoot()) + QStringLiteral("/mlx-venv/bin/python"); }

bool MlxServer::isInstalled() { return QFileInfo::exists(interpreter()); }

QString MlxServer::logFolder() { return Paths::engineFolder() + QStringLiteral("/mlx-server-logs"); }

QString MlxServer::logFile() { return logFolder() + QStringLiteral("/engine.log"); }

QString MlxServer::previousLogFile() { return logFile() + QStringLiteral(".1"); }

void MlxServer::note(const QString& text) { LineLog(logFile()).append(QStringLiteral("[quorvane] ") + text); }

QUrl MlxServer::baseURL() { return QUrl(QStringLiteral("http://127.0.0.1:50061")); }

QString MlxServer::buildMarker() {
    const QString version = QCoreApplication::applicationVersion();
    return QStringLiteral("# quorvane engine ") + (version.isEmpty() ? QStringLiteral("dev") : version);
}

QString MlxServer::parakeetModelRef() {
    const QString folder = QDir::cleanPath(engineRoot()) + QStringLiteral("/models/parakeet-tdt-0.6b-v3-bf16");
    return QFileInfo(folder + QStringLiteral("/config.json")).isFile()
               ? folder
               : QStringLiteral("mlx-community/parakeet-tdt-0.6b-v3");
}

QString MlxServer::script() {
    QFile resource(Bundle::resource(scriptResource()));
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    return buildMarker() + QString::fromUtf8(resource.readAll());
}

qint64 MlxServer::processId() const { return m_process ? m_process->processId() : 0; }

// The probe speaks HTTP over a plain socket so that it can tell an answer in
// another protocol (up) from no answer at all (down).
QFuture<MlxServer::Answer> MlxServer::probe() {
    if (ForeignListener::holds(port))
        return QtFuture::makeReadyFuture(Answer::HeldByAnotherAccount);
    auto promise = std::make_shared<QPromise<Answer>>();
    promise->start();
    QFuture<Answer> result = promise->future();
    // A child of the server: a probe still waiting when the server is deleted
    // is deleted with it rather than left to the event loop.
    auto* socket = new QTcpSocket(this);
    auto received = std::make_shared<QByteArray>();
    auto settled = std::make_shared<bool>(false);
    auto connected = std::make_shared<bool>(false);
    const auto settle = [promise, socket, settled](Answer answer) {
        if (std::exchange(*settled, true))
            return;
        promise->addResult(answer);
        promise->finish();
        socket->disconnect();
        socket->abort();
        socket->deleteLater();
    };
    // Decides from the first bytes: an HTTP status line gives its status; any
    // other answer is up; a connection that ends without a byte is down.
    const auto decide = [received, settle](bool ended) {
        const QByteArray& bytes = *received;
        const bool http = bytes.startsWith("HTTP/");
        const qsizetype lineEnd = bytes.indexOf('\n');
        if (!ended && (bytes.size() < 5 || (http && lineEnd < 0)))
            return;
        if (bytes.isEmpty()) {
            settle(Answer::None);
            return;
        }
        if (!http) {
            settle(Answer::Served);
            return;
        }
        bool ok = false;
        const int status = bytes.left(lineEnd < 0 ? bytes.size() : lineEnd).split(' ').value(1).toInt(&ok);
        if (ok && status >= 500)
            settle(Answer::None);
        else
            settle(ok && (status == kUnauthorized || status == kForbidden) ? Answer::Refused : Answer::Served);
    };
    QObject::connect(socket, &QTcpSocket::connected, socket, [socket, connected, settle] {
        *connected = true;
        // Another account may have taken the port since the look above.
        if (ForeignListener::holds(port)) {
            settle(Answer::HeldByAnotherAccount);
            return;
        }
        socket->write(QByteArrayLiteral("GET /v1/models HTTP/1.1\r\nHost: 127.0.0.1:50061\r\n") + EngineKey::kHeader
                      + ": " + EngineKey::value() + QByteArrayLiteral("\r\nAccept: */*\r\nConnection: close\r\n\r\n"));
    });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, received, decide] {
        received->append(socket->readAll());
        decide(false);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [decide] { decide(true); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [decide, settle](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            decide(true);
        else
            settle(Answer::None);
    });
    QTimer::singleShot(kProbeTimeout, socket, [received, connected, decide, settle] {
        if (received->isEmpty())
            settle(*connected ? Answer::Silent : Answer::None);
        else
            decide(true);
    });
    socket->connectToHost(QHostAddress::LocalHost, port);
    return result;
}

QFuture<bool> MlxServer::isUp() {
    return probe().then([](Answer answer) { return answer == Answer::Refused || answer == Answer::Served; });
}

QFuture<bool> MlxServer::servesUs() {
    return probe().then([](Answer answer) { return answer == Answer::Served; });
}

QFuture<bool> MlxServer::ensureReady() {
    auto promise = std::make_shared<QPromise<bool>>();
    promise->start();
    QFuture<bool> result = promise->future();
    const Finish finish = [self = QPointer<MlxServer>(this), promise](bool up) {
        if (up)
            AppState::shared().setServerReady(true);
        if (self) {
            --self->m_checking;
            self->m_lastReady = up ? std::optional(std::chrono::steady_clock::now()) : std::nullopt;
        }
        promise->addResult(up);
        promise->finish();
    };

    ++m_checking;
    forgetIfDied();
    probe().then(this, [this, finish](Answer answer) {
        if (answer == Answer::Silent)
            waitOutSilence(std::chrono::steady_clock::now() + m_silenceLimit, finish);
        else
            examine(answer, finish);
    });
    return result;
}

void MlxServer::examine(Answer answer, const Finish& finish) {
    if (answer == Answer::HeldByAnotherAccount) {
        if (!std::exchange(m_heldNoted, true))
            note(ForeignListener::message(port));
        finish(false);
        return;
    }
    m_heldNoted = false;
    if (m_process) {
        afterProbe(answer == Answer::Served, finish);
        return;
    }
    if (answer == Answer::None) {
        servesUs().then(this, [this, finish](bool again) { afterProbe(again, finish); });
        return;
    }
    // Something holds the port: keep a server of this build that takes this
    // run's key, replace a stale one of this engine folder (one of this build
    // that refuses the key was launched by another run), leave anything else
    // alone.
    const QString marker = buildMarker();
    const bool refused = answer == Answer::Refused;
    StaleEngine::replaceIfStale(
        port, [marker, refused](const QString& command) { return !refused && command.contains(marker); }, {},
        StaleEngine::kCheckInterval, m_verdicts)
        .then(this, [this, finish](bool) {
            servesUs().then(this, [this, finish](bool again) { afterProbe(again, finish); });
        });
}

// A server busy with a long take still answers the model list at once; one
// that takes connections but answers nothing for the silence limit is stuck.
void MlxServer::waitOutSilence(std::chrono::steady_clock::time_point deadline, const Finish& finish) {
    QTimer::singleShot(m_pollInterval, this, [this, deadline, finish] {
        probe().then(this, [this, deadline, finish](Answer answer) {
            if (answer != Answer::Silent)
                examine(answer, finish);
            else if (std::chrono::steady_clock::now() < deadline)
                waitOutSilence(deadline, finish);
            else
                replaceSilent(finish);
        });
    });
}

void MlxServer::replaceSilent(const Finish& finish) {
    // Noted once the replacement is launched: a launch empties the log.
    m_relaunchNote = QStringLiteral("the engine took connections but answered no request for %1 s; replaced it")
                         .arg(std::chrono::duration_cast<std::chrono::seconds>(m_silenceLimit).count());
    m_silentReplaced = std::chrono::steady_clock::now();
    if (m_process) {
        // Past answering, so past a polite end too.
        QProcess* stuck = std::exchange(m_process, nullptr);
        stuck->disconnect();
        stuck->kill();
        stuck->waitForFinished(int(kKillWait.count()));
        delete stuck;
        launchAndWait(finish);
        return;
    }
    StaleEngine::replaceIfStale(
        port, [](const QString&) { return false; }, {}, StaleEngine::kCheckInterval, m_verdicts)
        .then(this, [this, finish](bool) {
            servesUs().then(this, [this, finish](bool again) { afterProbe(again, finish); });
        });
}

void MlxServer::afterProbe(bool up, const Finish& finish) {
    if (up)
        finish(true);
    else
        launchAndWait(finish);
}

void MlxServer::launchAndWait(const Finish& finish) {
    startProcess();
    waitForLaunch([this, finish](bool launchedUp) {
        finish(launchedUp);
        if (launchedUp)
            emit launchedServerReady();
    });
}

// Polls until the server answers, the attempts run out, or the process held
// has ended: then one last probe decides (something else may have taken the
// port meanwhile). With no process held (no interpreter, no script, a launch
// error) there is nothing to wait for.
void MlxServer::waitForLaunch(const Finish& finish) {
    const QPointer<QProcess> launched = m_process;
    if (!launched) {
        finish(false);
        return;
    }
    auto* wait = new QObject(this);
    auto settled = std::make_shared<bool>(false);
    const Finish settle = [wait, finish, settled](bool up) {
        if (std::exchange(*settled, true))
            return;
        wait->deleteLater();
        finish(up);
    };
    const auto lastLook = [this, settle, settled] {
        if (!*settled)
            servesUs().then(this, settle);
    };
    if (launched->state() == QProcess::NotRunning) {
        lastLook();
        return;
    }
    connect(launched, &QProcess::finished, wait, lastLook);
    connect(launched, &QProcess::errorOccurred, wait, [lastLook](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            lastLook();
    });
    poll(wait, kPollAttempts, settle, settled);
}

void MlxServer::poll(QObject* wait, int remaining, const Finish& settle, const std::shared_ptr<bool>& settled) {
    QTimer::singleShot(m_pollInterval, wait, [this, wait, remaining, settle, settled] {
        servesUs().then(this, [this, wait, remaining, settle, settled](bool up) {
            if (*settled)
                return;
            if (up)
                settle(true);
            else if (remaining > 1)
                poll(wait, remaining - 1, settle, settled);
            else
                settle(false);
        });
    });
}

void MlxServer::forgetIfDied() {
    if (!m_process || m_process->state() != QProcess::NotRunning || m_relaunches >= maxRelaunches)
        return;
    ++m_relaunches;
    m_relaunchNote = QStringLiteral("the engine had stopped (%1 %2); launching it again (%3 of %4)")
                         .arg(m_process->exitStatus() == QProcess::CrashExit ? QStringLiteral("signal")
                                                                             : QStringLiteral("exit code"))
                         .arg(m_process->exitCode())
                         .arg(m_relaunches)
                         .arg(maxRelaunches);
    m_process->deleteLater();
    m_process = nullptr;
}

void MlxServer::startProcess() {
    if (m_process)
        return;
    const QString python = interpreter();
    const QFileInfo info(python);
    if (!info.exists()) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(QFile::encodeName(python).toStdString(), error);
        note(QStringLiteral("engine not started: no runnable interpreter at ") + python
             + QStringLiteral("\nsymlink points to: ")
             + (info.isSymLink() && !error ? QFile::decodeName(target.c_str()) : QStringLiteral("not a symlink")));
        return;
    }
    const QString text = script();
    if (text.isEmpty()) {
        note(QStringLiteral("engine not started: the server script is missing from the program's resources"));
        return;
    }
    PrivateFiles::makeFolder(logFolder());

    auto* process = new QProcess(this);
    process->setProgram(python);
    process->setArguments({QStringLiteral("-c"), text, QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"), logFolder()});
    QProcessEnvironment environment = EngineKey::withKey(
        EngineTrust::environment(QProcessEnvironment::systemEnvironment(), EngineTrust::bundledList()));
    environment.insert(QStringLiteral("QV_ENGINE_ROOT"), engineRoot());
    process->setProcessEnvironment(environment);
    // The server goes when this program goes, even when it is killed.
    if (ChildProcesses* children = Platform::current().childProcesses)
        children->endWithThisProgram(*process);

    // Every launch starts a new log and keeps the one before as
    // "engine.log.1", so the output of a server that died stays readable. The
    // server appends to it so that notes written meanwhile are not overwritten.
    QFile::remove(previousLogFile());
    QFile::rename(logFile(), previousLogFile());
    PrivateFiles::narrow(previousLogFile());
    QFile log(logFile());
    if (PrivateFiles::open(log, QIODevice::WriteOnly | QIODevice::Truncate)) {
        log.close();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(logFile(), QIODevice::Append);
    } else {
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
    }

    // The start is not waited for: a process that cannot be started reports
    // it, and waitForLaunch() ends at that report.
    connect(process, &QProcess::started, this, [this] {
        if (!m_relaunchNote.isEmpty()) {
            note(m_relaunchNote);
            m_relaunchNote.clear();
        }
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        note(QStringLiteral("engine not started: ") + process->errorString());
        if (m_process == process)
            m_process = nullptr;
        process->deleteLater();
    });
    m_process = process;
    process->start(QIODevice::NotOpen);
}

void MlxServer::stop() {
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(int(kTerminateWait.count()))) {
            process->kill();
            process->waitForFinished(int(kKillWait.count()));
        }
    }
    delete process;
}

QFuture<void> MlxServer::end() {
    QProcess* process = std::exchange(m_process, nullptr);
    if (!process || process->state() == QProcess::NotRunning) {
        if (process)
            process->deleteLater();
        return QtFuture::makeReadyFuture();
    }
    auto ended = std::make_shared<QPromise<void>>();
    ended->start();
    connect(process, &QProcess::finished, process, [process, ended] {
        ended->finish();
        process->deleteLater();
    });
    QTimer::singleShot(kTerminateWait, process, [process] { process->kill(); });
    process->terminate();
    return ended->future();
}

QFuture<void> MlxServer::warmUp() {
    QNetworkRequest speech(baseURL().resolved(QUrl(QStringLiteral("v1/audio/speech"))));
    speech.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const QJsonObject body{{QStringLiteral("model"), QStringLiteral("mlx-community/Kokoro-82M-bf16")},
                           {QStringLiteral("input"), QStringLiteral("Ready.")},
                           {QStringLiteral("voice"), QStringLiteral("af_heart")},
                           {QStringLiteral("speed"), 1.0},
                           {QStringLiteral("response_format"), QStringLiteral("wav")}};
    return EngineHttp::send(speech, "POST", QJsonDocument(body).toJson(QJsonDocument::Compact),
                            int(kWarmUpTimeout.count()))
        .then(this,
              [](const HttpAnswer&) {
                  return Transcriber::transcribe(WavData::encode(QList<float>(kWarmUpSamples, 0.0f)),
                                                 std::chrono::duration<double>(kWarmUpTimeout).count());
              })
        .unwrap()
        .then([](const QString&) {})
        .onFailed([] {});
}
