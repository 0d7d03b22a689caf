#include "engine/EnginePackage.h"

#include "engine/ArchiveListing.h"
#include "engine/DownloadSize.h"
#include "engine/ModelDownloader.h"
#include "engine/ModelTable.h"
#include "engine/SetupChildren.h"
#include "support/LineLog.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPromise>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>
#include <QUrl>
#include <QtConcurrent>

#include <chrono>

namespace {

constexpr std::chrono::seconds kArchiveIdleTimeout{600};
constexpr auto kTar = "/usr/bin/tar";
const QString kUnpacking = QStringLiteral("Unpacking the speech engine");
const QString kFinishing = QStringLiteral("Finishing setup");

struct Captured {
    bool ok = false;
    QByteArray output;
};

// Standard error joins the output unless `errors` is SeparateChannels (then
// it is dropped), so a listing is not interleaved with tar's warnings. A
// child still running at `deadline` is ended and fails.
Captured runCapturing(const QString& program, const QStringList& arguments, std::chrono::milliseconds deadline,
                      QProcess::ProcessChannelMode errors = QProcess::MergedChannels) {
    QProcess process;
    process.setProcessChannelMode(errors);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    if (!SetupChildren::start(process, program, arguments, deadline))
        return {false, "could not launch: " + process.errorString().toUtf8()};
    if (!SetupChildren::waitFor(process, deadline)) {
        if (SetupChildren::ending())
            return {false, "ended as the program quit"};
        return {false, QStringLiteral("%1 did not finish within %2 s")
                           .arg(QFileInfo(program).fileName())
                           .arg(std::chrono::duration_cast<std::chrono::seconds>(deadline).count())
                           .toUtf8()};
    }
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, process.readAllStandardOutput()};
}

QString tail(const QByteArray& output) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(output);
    if (decoder.hasError())
        return {};
    return text.right(EnginePackage::kOutputTail);
}

// The text of a UTF-8 file, or none when it cannot be read or is not UTF-8.
std::optional<QString> readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    return decoder.hasError() ? std::nullopt : std::optional(text);
}

bool writeText(const QString& path, const QString& text) {
    QSaveFile file(path);
    return PrivateFiles::open(file, QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
}

QString relocated(QString text, const QString& path) {
    return text.replace(QLatin1String(EnginePackage::kPlaceholder), path)
        .replace(QLatin1String(EnginePackage::kBuildPath), path);
}

// Unpacks a downloaded archive and swaps the result into `into`; the thread
// pool's half of an install. `report` may be called from this thread.
bool unpackAndSwap(const QString& archive, const QString& staging, const QString& into,
                   const EnginePackage::Deadlines& deadlines, const std::function<void(double, QString)>& report) {
    const auto abandon = [&staging](const QString& message) {
        EnginePackage::log(message);
        QDir(staging).removeRecursively();
        return false;
    };
    const Captured listing =
        runCapturing(QLatin1String(kTar), {QStringLiteral("-tvzf"), archive, QStringLiteral("--numeric-owner")},
                     deadlines.tar, QProcess::SeparateChannels);
    if (!listing.ok)
        return abandon(QStringLiteral("tar could not list the archive: ") + tail(listing.output));
    if (const auto reason = ArchiveListing::refusal(listing.output))
        return abandon(QStringLiteral("archive refused: ") + *reason);
    const Captured unpacking = runCapturing(
        QLatin1String(kTar),
        {QStringLiteral("-xzf"), archive, QStringLiteral("-C"), staging, QStringLiteral("--no-same-owner")},
        deadlines.tar);
    if (!unpacking.ok)
        return abandon(QStringLiteral("tar could not unpack the archive: ") + tail(unpacking.output));
    QFile::remove(archive);
    const QString unpacked = staging + QStringLiteral("/mlx-venv");
    const QFileInfo interpreter(unpacked + QStringLiteral("/bin/python"));
    if (!interpreter.exists()) {
        const QString target = interpreter.isSymLink() ? interpreter.symLinkTarget() : QStringLiteral("missing");
        return abandon(QStringLiteral("no runnable interpreter after unpacking; bin/python -> ") + target);
    }
    report(0.95, kFinishing);
    EnginePackage::relocate(unpacked, into);

    // Proved where it was unpacked, so that the former environment stays in
    // place until a working one can take it.
    const Captured check = runCapturing(
        interpreter.filePath(), {QStringLiteral("-c"), QStringLiteral("import mlx_audio.server")}, deadlines.import);
    if (!check.ok)
        return abandon(QStringLiteral("the unpacked engine will not import mlx_audio.server:\n") + tail(check.output));

    QString error;
    if (!EnginePackage::swapIn(unpacked, into, &error))
        return abandon(QStringLiteral("could not move the engine into place: ") + error);
    QDir(staging).removeRecursively();
    if (!QFileInfo::exists(into + QStringLiteral("/bin/python"))) {
        EnginePackage::log(QStringLiteral("engine installed but bin/python does not resolve"));
        return false;
    }
    EnginePackage::log(QStringLiteral("engine installed and verified"));
    return true;
}

} // namespace

EnginePackage::EnginePackage(QString into, QList<QUrl> bases, QObject* parent)
    : QObject(parent), m_into(QDir::cleanPath(std::move(into))), m_bases(std::move(bases)),
      m_staging(QFileInfo(m_into).absolutePath() + QLatin1Char('/') + QLatin1String(kStagingName)) {}

EnginePackage::~EnginePackage() {
    delete m_fetch;
    settle(false);
}

QString EnginePackage::downloadingText(const QList<QUrl>& bases) {
    for (const QUrl& base : bases) {
        const QUrl url = ModelTable::below(base, QLatin1String(kArchiveName));
        if (!url.isValid())
            continue;
        const QFileInfo local(url.toLocalFile());
        if (url.isLocalFile() && local.isFile())
            return QStringLiteral("Downloading the speech engine (one time, %1)")
                .arg(DownloadSize::about(local.size()));
        break;
    }
    return QStringLiteral("Downloading the speech engine (one time)");
}

QString EnginePackage::logFile() { return Paths::applicationSupport() + QStringLiteral("/Quorvane/setup.log"); }

void EnginePackage::log(const QString& message) { LineLog(logFile()).append(QStringLiteral("[engine] ") + message); }

QFuture<bool> EnginePackage::install() {
    m_promise = std::make_shared<QPromise<bool>>();
    m_promise->start();
    QFuture<bool> future = m_promise->future();
    QDir(m_staging).removeRecursively();
    PrivateFiles::makeFolder(m_staging);
    tryBase(0);
    return future;
}

void EnginePackage::tryBase(int index) {
    if (index >= m_bases.size()) {
        QStringList tried;
        for (const QUrl& base : m_bases)
            tried.append(base.toString());
        log(QStringLiteral("download failed from every source; tried ") + tried.join(QStringLiteral(", ")));
        QDir(m_staging).removeRecursively();
        settle(false);
        return;
    }
    const QUrl url = ModelTable::below(m_bases.at(index), QLatin1String(kArchiveName));
    if (!url.isValid()) {
        tryBase(index + 1);
        return;
    }
    emit progress(0.0, downloadingText(m_bases));
    m_fetch = new ModelDownloader([](qint64, qint64) {});
    m_fetch->download(url, kArchiveIdleTimeout, m_staging, kMaxArchiveBytes)
        .then(this, [this, index](const ModelDownloader::Result& result) {
            m_fetch->deleteLater();
            m_fetch = nullptr;
            if (result.filePath.isEmpty()) {
                tryBase(index + 1);
                return;
            }
            const qint64 size = QFileInfo(result.filePath).size();
            if (size > kMaxArchiveBytes) {
                QFile::remove(result.filePath);
                log(QStringLiteral("archive refused: download over 1 GiB"));
                QDir(m_staging).removeRecursively();
                settle(false);
                return;
            }
            const QString archive = m_staging + QLatin1Char('/') + QLatin1String(kArchiveName);
            QFile::remove(archive);
            if (!QFile::rename(result.filePath, archive)) {
                QFile::remove(result.filePath);
                tryBase(index + 1);
                return;
            }
            emit progress(0.85, kUnpacking);
            log(QStringLiteral("downloaded %1 bytes").arg(size));
            emit progress(0.9, kUnpacking);
            unpack(archive);
        });
}

void EnginePackage::unpack(const QString& archive) {
    QPointer<EnginePackage> self(this);
    const auto report = [self](double fraction, QString detail) {
        QMetaObject::invokeMethod(
            self,
            [self, fraction, detail] {
                if (self)
                    emit self->progress(fraction, detail);
            },
            Qt::QueuedConnection);
    };
    QtConcurrent::run(unpackAndSwap, archive, m_staging, m_into, m_deadlines, report).then(this, [this](bool ok) {
        settle(ok);
    });
}

void EnginePackage::settle(bool ok) {
    if (!m_promise)
        return;
    const auto promise = std::exchange(m_promise, nullptr);
    promise->addResult(ok);
    promise->finish();
}

bool EnginePackage::swapIn(const QString& unpacked, const QString& into, QString* error) {
    // The former environment goes aside first and comes back if the new one
    // cannot take its place.
    const QString outgoing = QFileInfo(into).absolutePath() + QLatin1Char('/') + QLatin1String(kOutgoingName);
    QDir(outgoing).removeRecursively();
    QFile::remove(outgoing);
    const QFileInfo former(into);
    const bool hadFormer = former.exists() || former.isSymLink();
    if (hadFormer && !QDir().rename(into, outgoing)) {
        *error = QStringLiteral("the former engine could not be moved aside");
        return false;
    }
    if (!QFileInfo(unpacked).isDir() || !QDir().rename(unpacked, into)) {
        if (hadFormer)
            QDir().rename(outgoing, into);
        *error = QStringLiteral("%1 could not be renamed to %2").arg(unpacked, into);
        return false;
    }
    QDir(outgoing).removeRecursively();
    QFile::remove(outgoing);
    return true;
}

void EnginePackage::relocate(const QString& environment, const QString& path) {
    const QString config = environment + QStringLiteral("/pyvenv.cfg");
    if (const auto text = readText(config))
        writeText(config, relocated(*text, path));
    const QDir bin(environment + QStringLiteral("/bin"));
    if (!bin.exists())
        return;
    const QFileInfoList entries = bin.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !entry.isFile() || entry.size() < 1 || entry.size() > kMaxRelocatedBytes)
            continue;
        const auto text = readText(entry.filePath());
        if (!text || (!text->contains(QLatin1String(kPlaceholder)) && !text->contains(QLatin1String(kBuildPath))))
            continue;
        const QFile::Permissions mode = QFile::permissions(entry.filePath());
        if (writeText(entry.filePath(), relocated(*text, path)))
            QFile::setPermissions(entry.filePath(), mode & PrivateFiles::kOwnerBits);
    }
}
