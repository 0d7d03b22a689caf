#include "engine/StaleEngine.h"

#include "engine/MlxServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QThread>
#include <QtConcurrent>

#include <csignal>

namespace StaleEngine {

namespace {

// Debian keeps lsof in /usr/bin; other systems in /usr/sbin.
QString lsofTool() {
    const QString debian = QStringLiteral("/usr/bin/lsof");
    return QFileInfo(debian).isExecutable() ? debian : QStringLiteral("/usr/sbin/lsof");
}

// Runs `tool` and returns its standard output as UTF-8; none when the tool
// cannot be launched or the output is not UTF-8.
std::optional<QString> run(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(tool, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return std::nullopt;
    process.waitForFinished(-1);
    const QByteArray output = process.readAllStandardOutput();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(output);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

// A process that has ended but not yet been collected by its parent (a
// zombie) counts as gone: it holds no port and can do nothing more.
bool alive(qint32 pid) {
    if (::kill(pid, 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype afterName = line.lastIndexOf(')');
    return afterName < 0 || line.mid(afterName + 2, 1) != "Z";
}

void sleepFor(std::chrono::milliseconds interval) { QThread::msleep(static_cast<unsigned long>(interval.count())); }

} // namespace

std::optional<qint32> listener(quint16 port) {
    const auto output = run(lsofTool(), {QStringLiteral("-nP"), QStringLiteral("-iTCP:%1").arg(port),
                                         QStringLiteral("-sTCP:LISTEN"), QStringLiteral("-t")});
    if (!output)
        return std::nullopt;
    bool ok = false;
    const qint32 pid = output->section(QLatin1Char('\n'), 0, 0).toInt(&ok);
    // Zero and negative numbers would signal whole process groups.
    if (!ok || pid <= 0)
        return std::nullopt;
    return pid;
}

std::optional<QString> commandLine(qint32 pid) {
    const auto output = run(QStringLiteral("/bin/ps"), {QStringLiteral("-ww"), QStringLiteral("-p"),
                                                        QString::number(pid), QStringLiteral("-o"),
                                                        QStringLiteral("command=")});
    if (!output)
        return std::nullopt;
    const QString trimmed = output->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

bool replaceIfStaleNow(quint16 port, const KeepTest& keep, const QString& engineRoot,
                       std::chrono::milliseconds checkInterval) {
    const auto pid = listener(port);
    if (!pid)
        return true;
    const auto command = commandLine(*pid);
    if (!command)
        return false;
    const QString root = QDir::cleanPath(engineRoot.isEmpty() ? MlxServer::engineRoot() : engineRoot);
    if (!command->startsWith(root + QStringLiteral("/mlx-venv/bin/python")) &&
        !command->startsWith(root + QStringLiteral("/llm-venv/bin/python")))
        return false;
    if (keep && keep(*command))
        return false;

    MlxServer::note(QStringLiteral("replacing an engine left from an earlier launch (pid %1)").arg(*pid));
    ::kill(*pid, SIGTERM);
    for (int check = 0; check < 20; ++check) {
        sleepFor(checkInterval);
        if (!alive(*pid))
            return true;
    }
    ::kill(*pid, SIGKILL);
    sleepFor(checkInterval * 2);
    return !alive(*pid);
}

QFuture<bool> replaceIfStale(quint16 port, KeepTest keep, QString engineRoot, std::chrono::milliseconds checkInterval) {
    if (engineRoot.isEmpty())
        engineRoot = MlxServer::engineRoot();
    return QtConcurrent::run([port, keep = std::move(keep), engineRoot, checkInterval] {
        return replaceIfStaleNow(port, keep, engineRoot, checkInterval);
    });
}

} // namespace StaleEngine
