// The application's side of the helper program: finding it, starting one ahead
// of need, and running one clean-up through it under a hard deadline.
#include "cleanup/CleanupEngine.h"

#include "cleanup/GuiThread.h"
#include "support/Bundle.h"
#include "support/Defaults.h"
#include "support/Text.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace {

// A helper's answer never comes near this; a runaway one is stopped.
constexpr qsizetype maxHelperOutput = 4 * 1024 * 1024;

// Deletes the process object once it has ended; a process that outlives a
// grace period after being asked to stop is killed. One still ending when the
// program quits goes with the application object, which kills it.
void retire(QProcess* process) {
    process->setParent(QCoreApplication::instance());
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QTimer::singleShot(2000, process, [process] { process->kill(); });
}

QProcess* launchHelper(const QString& helper) {
    auto* process = new QProcess;
    process->setProgram(helper);
    process->setArguments(
        {QStringLiteral("clean"), QStringLiteral("--numbers"), toString(CleanupEngine::numberStyleSetting())});
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(QIODevice::ReadWrite);
    return process;
}

// One exchange with a started helper: write, wait, read, all under one deadline.
class HelperRun : public QObject {
public:
    HelperRun(QProcess* process, const QString& text, std::chrono::milliseconds deadline,
              QPromise<std::optional<QString>> promise, QObject* parent)
        : QObject(parent), m_process(process), m_promise(std::move(promise)) {
        m_promise.start();
        m_process->setParent(this);
        connect(m_process, &QProcess::readyReadStandardOutput, this, &HelperRun::readOutput);
        connect(m_process, &QProcess::finished, this, &HelperRun::processFinished);
        connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart || error == QProcess::WriteError)
                finish(std::nullopt);
        });
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, [this] { finish(std::nullopt); });
        m_deadline.start(deadline);

        if (m_process->state() == QProcess::NotRunning) {
            finish(std::nullopt); // a launch that failed before we got here
            return;
        }
        // Buffered: a helper that never reads its input cannot block us.
        m_process->write(text.toUtf8());
        m_process->closeWriteChannel();
    }

private:
    void readOutput() {
        m_output += m_process->readAllStandardOutput();
        if (m_output.size() > maxHelperOutput)
            finish(std::nullopt);
    }

    void processFinished(int exitCode, QProcess::ExitStatus status) {
        if (m_done)
            return;
        readOutput();
        if (m_done)
            return;
        if (status != QProcess::NormalExit || exitCode != 0)
            return finish(std::nullopt);
        const std::optional<QString> decoded = Text::decodeUtf8Strictly(m_output);
        if (!decoded)
            return finish(std::nullopt);
        const QString text = decoded->trimmed();
        finish(text.isEmpty() ? std::nullopt : std::optional<QString>(text));
    }

    void finish(std::optional<QString> result) {
        if (m_done)
            return;
        m_done = true;
        m_deadline.stop();
        m_promise.addResult(std::move(result));
        m_promise.finish();
        disconnect(m_process, nullptr, this, nullptr);
        if (m_process->state() != QProcess::NotRunning)
            m_process->kill();
        // The process object goes with us once it has been reaped.
        if (m_process->state() == QProcess::NotRunning)
            deleteLater();
        else
            connect(m_process, &QProcess::finished, this, &QObject::deleteLater);
    }

    QProcess* m_process;
    QPromise<std::optional<QString>> m_promise;
    QTimer m_deadline;
    QByteArray m_output;
    bool m_done = false;
};

} // namespace

std::optional<QString> CleanupEngine::helperURL() {
    const QString bundled = Bundle::resourceFolder() + QStringLiteral("/bin/quorvane-helper");
    if (QFileInfo(bundled).isFile())
        return bundled;
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvane-helper");
        if (QFileInfo(beside).isFile())
            return beside;
    }
    return std::nullopt;
}

void CleanupEngine::prewarm() {
    if (!m_defaults.boolOr(QStringLiteral("useAppleIntelligence"), false))
        return;
    const std::optional<QString> helper = helperURL();
    if (!helper)
        return;
    discardWarm();
    QProcess* process = launchHelper(*helper);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    m_warm = process;
}

void CleanupEngine::discardWarm() {
    QPointer<QProcess> process = m_warm;
    m_warm.clear();
    if (!process)
        return;
    process->closeWriteChannel();
    if (process->state() != QProcess::NotRunning)
        process->terminate();
    retire(process);
}

qint64 CleanupEngine::warmHelperProcessId() const {
    return m_warm && m_warm->state() != QProcess::NotRunning ? m_warm->processId() : 0;
}

QFuture<std::optional<QString>> CleanupEngine::runHelperProcess(const QString& helper, const QString& text) {
    QPromise<std::optional<QString>> promise;
    QFuture<std::optional<QString>> future = promise.future();
    runOnGuiThread(
        this, [this, helper, text, promise = std::make_shared<QPromise<std::optional<QString>>>(std::move(promise))]() {
            QPointer<QProcess> warm = m_warm;
            m_warm.clear();
            QProcess* process = warm.data();
            if (process && process->state() == QProcess::NotRunning) {
                retire(process); // died before use
                process = nullptr;
            }
            if (!process)
                process = launchHelper(helper);
            new HelperRun(process, text, m_helperDeadline, std::move(*promise), &m_helperRuns);
        });
    return future;
}

QFuture<std::optional<QString>> CleanupEngine::runHelperClean(const QString& helper, const QString& text) {
    return runHelperProcess(helper, text).then([](const std::optional<QString>& output) -> std::optional<QString> {
        if (!output)
            return std::nullopt;
        return stripLeadingLabel(stripModelArtifacts(*output).trimmed());
    });
}
